// Makes the machine's own CD/DVD drives (through the SCSI generic pass-through) the ASPI
// library's first host adapters. Nothing refers to this object: its library is linked
// whole into every program that links the toolkit, and it registers while the program starts.
#include "AspiBackendFactory.h"
#include "CTarnwick_WrapperBackend.h"

namespace {

const bool g__bool__Registered =
    (AspiBackendFactory::RegisterMachineDrives(&CTarnwick_WrapperBackend::CreateMachineDrives), true);

}  // namespace
