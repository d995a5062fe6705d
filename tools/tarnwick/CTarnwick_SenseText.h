#pragma once
#include <string>

#include "tarnwick_types.h"

// SCSI status in words: the sense keys, the additional sense codes and qualifiers that CD/DVD/BD
// drives answer (as the published assignments word them), and the operation codes of the
// commands a recorder is sent.
class CTarnwick_SenseText {
public:
    // "NOT READY" for key 2; every key 0-Fh has a name.
    static const char* Key(UCHAR p__UCHAR__Key);
    // "MEDIUM NOT PRESENT - TRAY OPEN" for 3Ah/02h. A pair not listed: "ASC 3Ah ASCQ 7Eh"; one in
    // the vendor-specific range (ASC or ASCQ 80h and above): "VENDOR-SPECIFIC ASC 85h ASCQ 00h".
    static std::string Additional(UCHAR p__UCHAR__Asc, UCHAR p__UCHAR__Ascq);
    // "WRITE(10)" for 2Ah; a code not listed: "command C5h".
    static std::string Command(UCHAR p__UCHAR__Code);
};
