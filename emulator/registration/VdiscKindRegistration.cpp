// Makes the virtual recorder the ASPI library's drive kind "virtual" ("virtual:PATH" in
// TARNWICK_DRIVES, and the default drive). Nothing refers to this object: its library is
// linked whole into every program that links the toolkit, and it registers the kind
// while the program starts.
#include "AspiBackendFactory.h"
#include "VdiscRecorder.h"

namespace {

const bool g__bool__Registered = (AspiBackendFactory::Register("virtual", &VdiscRecorder::Create), true);

}  // namespace
