// The log collector of the configuration tests, compiled into this executable as well, so both
// test folders check log lines the same way. Included as a source file, its anonymous-namespace
// backend would otherwise draw a linkage warning meant for headers.
#pragma GCC diagnostic ignored "-Wsubobject-linkage"
#include "ddsconfig/support/LogCapture.cpp"
