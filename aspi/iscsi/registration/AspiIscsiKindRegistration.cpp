// Makes iSCSI logical units the ASPI library's drive kind "iscsi"
// ("iscsi://HOST[:PORT]/TARGET-IQN/LUN" in TARNWICK_DRIVES). Nothing refers to this
// object: its library is linked whole into every program that links the toolkit, and it
// registers the kind while the program starts.
#include "AspiBackendFactory.h"
#include "AspiIscsiBackend.h"

namespace {

const bool g__bool__Registered = (AspiBackendFactory::Register("iscsi", &AspiIscsiBackend::Create), true);

}  // namespace
