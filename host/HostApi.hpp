#pragma once
// drova_host is built with hidden visibility; the names marked here are the ones that
// modules and the drova command use across the shared-library boundary.

#define DROVA_HOST_API __attribute__((visibility("default")))
