/* A C program built against an installed Tarnwick, as a user of the package builds one.
 * With CONSUMER_DRIVES (tarnwick.h): starts the toolkit, lists the units it offers, and for
 * each virtual recorder prints its identity and the status of its disc.
 * With CONSUMER_SOUND (sonquill.h): writes a short CD-DA WAV file of known length and has the
 * audio toolkit decode it, printing the decoded size.
 * Usage: consumer WORKDIR. Exit status 0 when every call succeeded. */
#include <stdio.h>
#include <string.h>

#ifdef CONSUMER_DRIVES
#include "tarnwick.h"
#endif
#ifdef CONSUMER_SOUND
#include "sonquill.h"
#endif

#ifdef CONSUMER_DRIVES
static int g__int__Failures = 0;

static void ShowVirtualDrive(const DEVICE_ADDRESS* p__Address) {
    PVOID l__PVOID__Burner = NULL;
    CHAR l__CHAR__Text[1024] = {0};
    ULONG l__ULONG__Status = 0;
    CDB_FAILURE_INFORMATION l__Info;
    memset(&l__Info, 0, sizeof(l__Info));
    ULONG l__ULONG__Exception = Tarnwick_CdvdBurnerGrabber_Create(
        &l__PVOID__Burner, l__CHAR__Text, sizeof(l__CHAR__Text), &l__ULONG__Status, &l__Info, NULL, NULL,
        p__Address->m__UCHAR__PortID, p__Address->m__UCHAR__BusID, p__Address->m__UCHAR__TargetID,
        p__Address->m__UCHAR__LUN, 0);
    if (l__ULONG__Exception != 0) {
        printf("create failed %lu: %s\n", (unsigned long)l__ULONG__Exception, l__CHAR__Text);
        ++g__int__Failures;
        return;
    }
    CHAR l__CHAR__Vendor[1024] = {0}, l__CHAR__Product[1024] = {0}, l__CHAR__Revision[1024] = {0};
    ULONG l__ULONG__Buffer = 0;
    Tarnwick_CdvdBurnerGrabber_GetDeviceInformation(l__PVOID__Burner, l__CHAR__Vendor, l__CHAR__Product,
                                                    l__CHAR__Revision, &l__ULONG__Buffer);
    printf("identity '%s' '%s' '%s'\n", l__CHAR__Vendor, l__CHAR__Product, l__CHAR__Revision);
    DISC_INFORMATION l__Disc;
    memset(&l__Disc, 0, sizeof(l__Disc));
    l__ULONG__Exception = Tarnwick_CdvdBurnerGrabber_GetDiscInformation(
        l__PVOID__Burner, l__CHAR__Text, sizeof(l__CHAR__Text), &l__ULONG__Status, &l__Info, &l__Disc);
    if (l__ULONG__Exception != 0) {
        printf("disc information failed %lu: %s\n", (unsigned long)l__ULONG__Exception, l__CHAR__Text);
        ++g__int__Failures;
    } else {
        printf("disc status %u erasable %u type %lu\n", (unsigned)l__Disc.m__UCHAR__DiscStatus,
               (unsigned)l__Disc.m__UCHAR__Erasable,
               (unsigned long)Tarnwick_CdvdBurnerGrabber_GetInsertedDiscType(l__PVOID__Burner));
    }
    Tarnwick_Destroy(&l__PVOID__Burner);
}

static void OnDevice(ULONG p__ULONG__Reason, PVOID p__PVOID__Context, PVOID p__PVOID__Parameter1,
                     PVOID p__PVOID__Parameter2) {
    (void)p__PVOID__Context;
    (void)p__PVOID__Parameter2;
    if (p__ULONG__Reason != DEVICE_FOUND) return;
    /* Copied: the record is byte-packed. */
    DEVICE_ADDRESS l__Address;
    memcpy(&l__Address, p__PVOID__Parameter1, sizeof(l__Address));
    CHAR l__CHAR__Name[260] = {0};
    if (Tarnwick_GetDeviceNameByDeviceAddress(l__Address.m__UCHAR__PortID, l__Address.m__UCHAR__BusID,
                                              l__Address.m__UCHAR__TargetID, l__Address.m__UCHAR__LUN,
                                              l__CHAR__Name) != 0)
        strcpy(l__CHAR__Name, "(no name)");
    printf("unit %u:%u:%u:%u %s\n", (unsigned)l__Address.m__UCHAR__PortID, (unsigned)l__Address.m__UCHAR__BusID,
           (unsigned)l__Address.m__UCHAR__TargetID, (unsigned)l__Address.m__UCHAR__LUN, l__CHAR__Name);
    if (strncmp(l__CHAR__Name, "virtual:", 8) == 0) ShowVirtualDrive(&l__Address);
}

static int RunDrives(void) {
    ULONG l__ULONG__Started = Tarnwick_UpStart();
    if (l__ULONG__Started != 0) {
        printf("Tarnwick_UpStart failed %lu\n", (unsigned long)l__ULONG__Started);
        return 1;
    }
    printf("version %08lx\n", (unsigned long)Tarnwick_GetVersion());
    ULONG l__ULONG__Count = Tarnwick_FindDevice(0x05, FALSE, OnDevice, NULL);
    printf("%lu unit(s)\n", (unsigned long)l__ULONG__Count);
    Tarnwick_DownShut();
    return g__int__Failures == 0 ? 0 : 1;
}
#endif

#ifdef CONSUMER_SOUND
/* One second of a CD-DA sound: 44100 stereo 16-bit frames. */
#define SOUND_BYTES (44100u * 4u)

static int RunSound(const char* p__PCHAR__Directory) {
    char l__CHAR__Path[4096];
    snprintf(l__CHAR__Path, sizeof(l__CHAR__Path), "%s/second.wav", p__PCHAR__Directory);
    SONQUILL_WAVE_FILE_HEADER l__Header;
    memset(&l__Header, 0, sizeof(l__Header));
    Sonquill_UpStart();
    ULONG l__ULONG__Version = 0;
    Sonquill_VersionGet(&l__ULONG__Version);
    printf("sonquill version %08lx\n", (unsigned long)l__ULONG__Version);
    ULONG l__ULONG__Result = Sonquill_WaveFileHeaderFormat(&l__Header, SOUND_BYTES);
    FILE* l__PFILE__Wave = fopen(l__CHAR__Path, "wb");
    if (l__ULONG__Result != 0 || l__PFILE__Wave == NULL) {
        printf("cannot write %s (%lu)\n", l__CHAR__Path, (unsigned long)l__ULONG__Result);
        return 1;
    }
    static unsigned char s__UCHAR__Samples[SOUND_BYTES];
    for (unsigned l__unsigned__I = 0; l__unsigned__I < SOUND_BYTES; ++l__unsigned__I)
        s__UCHAR__Samples[l__unsigned__I] = (unsigned char)(l__unsigned__I * 7u);
    int l__int__Written = fwrite(&l__Header, sizeof(l__Header), 1, l__PFILE__Wave) == 1 &&
                          fwrite(s__UCHAR__Samples, SOUND_BYTES, 1, l__PFILE__Wave) == 1;
    if (fclose(l__PFILE__Wave) != 0 || !l__int__Written) {
        printf("cannot write %s\n", l__CHAR__Path);
        return 1;
    }
    printf("wave header %lu\n", (unsigned long)Sonquill_UncompressedFileSupportedIs(l__CHAR__Path));
    PVOID l__PVOID__Reader = NULL;
    l__ULONG__Result = Sonquill_CompressedFileReaderObjectCreate(&l__PVOID__Reader, l__CHAR__Path);
    if (l__ULONG__Result != 0) {
        printf("reader failed %lu\n", (unsigned long)l__ULONG__Result);
        return 1;
    }
    ULONG l__ULONG__Size = 0;
    l__ULONG__Result = Sonquill_CompressedFileReaderObjectUncompressedSizeGet(l__PVOID__Reader, &l__ULONG__Size);
    printf("decoded %lu bytes (result %lu)\n", (unsigned long)l__ULONG__Size, (unsigned long)l__ULONG__Result);
    Sonquill_CompressedFileReaderObjectDestroy(&l__PVOID__Reader);
    Sonquill_DownShut();
    return l__ULONG__Result == 0 ? 0 : 1;
}
#endif

int main(int argc, char** argv) {
    int l__int__Exit = 0;
    (void)argc;
    (void)argv;
#ifdef CONSUMER_DRIVES
    l__int__Exit |= RunDrives();
#endif
#ifdef CONSUMER_SOUND
    if (argc < 2) {
        printf("usage: consumer WORKDIR\n");
        return 2;
    }
    l__int__Exit |= RunSound(argv[1]);
#endif
    return l__int__Exit;
}
