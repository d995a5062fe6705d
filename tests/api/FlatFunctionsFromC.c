/* Compiled as C: the public headers must be usable from a C program. */
#include "tarnwick.h"
#include "sonquill.h"
#include "wnaspi32.h"

int TarnwickTest_CallFlatFunctionsFromC(void) {
    ULONG version = 0;
    if (Tarnwick_UpStart() != 0) return 1;
    if (Tarnwick_GetVersion() != 0x20040814u) return 2;
    if (Sonquill_VersionGet(&version) != 0 || version != 0x20040814u) return 3;
    if (Tarnwick_DownShut() != 0) return 4;
    return 0;
}

/* Masters a directory into an ISO9660 tree and reads the start of its image back:
 * 0 when the primary volume descriptor is where it belongs. */
int TarnwickTest_MasterTreeFromC(const char* directory) {
    PVOID tree = NULL;
    char text[512] = {0};
    ULONG error = 0;
    static UCHAR image[17 * 2048];
    int result = 0;
    if (Tarnwick_ISO9660JolietFileTree_Create(&tree, text, sizeof(text), &error, NULL, NULL, 0, 0, 0, 0) != 0) return 1;
    if (Tarnwick_ISO9660JolietFileTree_Add(tree, text, sizeof(text), &error, (PCHAR)directory, NULL, 2, NULL) != 0)
        result = 2;
    else if (Tarnwick_ISO9660FileTree_BuildImage(tree, text, sizeof(text), &error, 0, 0, 0, (PCHAR) "FROMC", NULL,
                                                 NULL) != 0)
        result = 3;
    else if (Tarnwick_ISO9660JolietFileTree_Read(tree, text, sizeof(text), &error, (LONG)sizeof(image), image) != 0)
        result = 4;
    else if (image[16 * 2048] != 1 || image[16 * 2048 + 1] != 'C' || image[16 * 2048 + 5] != '1')
        result = 5;
    Tarnwick_Destroy(&tree);
    return tree == NULL ? result : 6;
}
