#include "formats/JsonError.hpp"

namespace drova {

std::string jsonErrorText(const nlohmann::json::exception& error) {
    std::string message = error.what();
    if (auto end = message.find("] "); message.rfind("[json.exception.", 0) == 0 && end != std::string::npos)
        message.erase(0, end + 2);
    return message;
}

}  // namespace drova
