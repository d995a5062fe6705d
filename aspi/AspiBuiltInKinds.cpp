#include "AspiBackendFactory.h"
#include "AspiHostAdapterTable.h"
#include "VdiscRecorder.h"

// The kinds of drive that ship with the library. Each library that brings a kind
// (the virtual recorder, iSCSI, the pass-through) is registered here.
void AspiRegisterBuiltInKinds() { AspiBackendFactory::Register("virtual", &VdiscRecorder::Create); }
