// The passive unit tests' byte-level frame builder, compiled into this executable as well so
// both folders build their frames from one definition of the wire layouts.
#include "passive/support/WireBuilder.cpp"
