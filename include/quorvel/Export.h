#pragma once

// The library is built with hidden symbols; only what carries VELTRANE_API is exported.
#define VELTRANE_API __attribute__((visibility("default")))
