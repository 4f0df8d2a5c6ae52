#pragma once
// The host's engine: MATLAB functions called by name from a module, and property reads
// on object arrays. An error inside a called function comes back as MATLABException.

#include "host/MatlabData.hpp"

#include <functional>
#include <map>

namespace matlab::engine {

using String = std::u16string;

// An error raised by MATLAB code: its identifier (possibly empty) and its message.
class DROVA_HOST_API MATLABException : public ::matlab::Exception {
public:
    MATLABException(std::string identifier, std::string message);
    ~MATLABException() override;
    const std::string& getMessageID() const { return identifier_; }
    const std::string& getMessageText() const { return message_; }

private:
    std::string identifier_;
    std::string message_;
};

// The engine a module reaches through matlab::mex::Function::getEngine(). It knows:
//   isa(value, typeName)  -> logical scalar: the class name matches, or typeName is
//                            "numeric", "float" or "integer" and the class is one
//   error(message)        -> raises the message ('' raises nothing)
//   error(id, message)    -> raises the message with the identifier
//   numden(s)             -> numerator and denominator of each element of a sym array
//   string(x)             -> a sym array's texts ("1/3", "-2", ...), a character row's
//                            text, or a string array unchanged
// Further functions can be defined, or these replaced, with define().
class DROVA_HOST_API MATLABEngine {
public:
    using Callable = std::function<std::vector<data::Array>(std::size_t nlhs, const std::vector<data::Array>& args)>;

    MATLABEngine();
    ~MATLABEngine();

    // Calls the function with nlhs outputs; returns exactly nlhs results.
    std::vector<data::Array> feval(const std::string& function, int nlhs, const std::vector<data::Array>& args);
    std::vector<data::Array> feval(const String& function, int nlhs, const std::vector<data::Array>& args);
    // One output.
    data::Array feval(const std::string& function, const std::vector<data::Array>& args);
    data::Array feval(const String& function, const std::vector<data::Array>& args);
    data::Array feval(const std::string& function, const data::Array& arg);
    data::Array feval(const String& function, const data::Array& arg);

    // The property of element `index` of an object array. A non-object, or an object
    // without the property, fails with "Unrecognized property 'NAME' for class 'CLASS'.";
    // an index past the end with "Array index is invalid.".
    data::Array getProperty(const data::Array& objectArray, std::size_t index, const std::string& propertyName);
    data::Array getProperty(const data::Array& objectArray, std::size_t index, const String& propertyName);
    data::Array getProperty(const data::Array& objectArray, const std::string& propertyName);
    data::Array getProperty(const data::Array& objectArray, const String& propertyName);

    // Makes `function` callable as `name`, replacing any function of that name.
    void define(std::string name, Callable function);

private:
    std::map<std::string, Callable, std::less<>> functions_;
};

}  // namespace matlab::engine
