#pragma once
#include <cstdint>
#include <vector>

#include "CTarnwick_ISO9660FileTree.h"
#include "CTarnwick_JolietFileTreeNode.h"

// An ISO9660 tree that also carries a Joliet hierarchy: long names in UCS-2 over the same
// file extents, announced by a Supplementary Volume Descriptor (UCS-2 Level 1). Siblings
// whose Joliet names are equal go through the name-collision protocol as well (is-Joliet
// flag 1, the name in UTF-16 of the machine's byte order).
class CTarnwick_JolietFileTree : public CTarnwick_ISO9660FileTree {
public:
    CTarnwick_JolietFileTree(PROGRESS_CALLBACK p__Callback, PVOID p__PVOID__Context, BOOLEAN p__BOOLEAN__IsIgnoreErrors,
                             BOOLEAN p__BOOLEAN__IsKeepFilesOpen, BOOLEAN p__BOOLEAN__IsLongNames);
    ~CTarnwick_JolietFileTree() override;

    CTarnwick_FileTreeNode* NewFileTreeNodeMemoryItem(const void* p__PVOID__Memory, const char* p__PCHAR__LongFileName,
                                                      const char* p__PCHAR__ShortFileName, uint64_t p__ULONGLONG__Size,
                                                      CTarnwick_FileTreeNode* p__PCTarnwick_FileTreeNode__Parent,
                                                      ULONG p__ULONG__NodeNumber, LONGLONG p__LONGLONG__FileTime) override;
    CTarnwick_FileTreeNode* NewFileTreeNodeItem(const char* p__PCHAR__AbsolutePathAndFileName,
                                                const char* p__PCHAR__LongFileName, const char* p__PCHAR__ShortFileName,
                                                ULONG p__ULONG__Attributes, uint64_t p__ULONGLONG__Size,
                                                CTarnwick_FileTreeNode* p__PCTarnwick_FileTreeNode__Parent,
                                                ULONG p__ULONG__NodeNumber, LONGLONG p__LONGLONG__FileTime,
                                                ULONG p__ULONG__Flags, BOOLEAN p__BOOLEAN__IsImported = FALSE) override;
    // The ISO9660 check, then the Joliet names of the siblings. True: drop the kid.
    BOOLEAN CheckName(CTarnwick_FileTreeNode* p__PCTarnwick_FileTreeNode__Parent,
                      CTarnwick_FileTreeNode* p__PCTarnwick_FileTreeNode__Kid) override;
    void BuildImage(ULONG p__ULONG__StartSector, ULONG p__ULONG__Ignored, BOOLEAN p__BOOLEAN__IsCDXA,
                    const char* p__PCHAR__VolumeLabel, const char* p__PCHAR__PublisherPreparer,
                    const char* p__PCHAR__Application, const char* p__PCHAR__System,
                    const char* p__PCHAR__CopyrightFile, const char* p__PCHAR__BibliographicFile,
                    const char* p__PCHAR__CreationDate, const char* p__PCHAR__ModificationDate,
                    const char* p__PCHAR__ExpirationDate, const char* p__PCHAR__EffectiveDate) override;
    // The ISO9660 value plus the Joliet one.
    uint64_t GetPathTableSizeInUCHARs() override;
    uint64_t GetPathTableSizeInLBs() override;
    uint64_t GetTotalDirectorySizeInLBs() override;

    // The Joliet hierarchy alone.
    uint64_t GetJolietPathTableSizeInUCHARs();
    uint64_t GetJolietPathTableSizeInLBs();
    uint64_t GetJolietTotalDirectorySizeInLBs();

protected:
    // The Joliet name read from the disc, when there is one, replaces the derived one.
    void TakeImportedNames(CTarnwick_FileTreeNode* p__PCTarnwick_FileTreeNode__Node, const UCHAR* p__PUCHAR__JolietName,
                           ULONG p__ULONG__JolietNameLength) override;
    // The Joliet name (as UTF-8, without a file's version): the collision protocol made it
    // unique among the siblings.
    std::string RockRidgeAlternativeName(const CTarnwick_ISO9660FileTreeNode* p__Node) const override;
    void WriteExtraStructures(CTarnwick_ISO9660ImageWriter& p__Writer,
                              const std::vector<CTarnwick_ISO9660FileTreeNode*>& p__Directories,
                              const ExtraPlaces& p__Places) override;

private:
    static CTarnwick_JolietFileTreeNode* Jol(CTarnwick_FileTreeNode* p__PCTarnwick_FileTreeNode__Node) {
        return static_cast<CTarnwick_JolietFileTreeNode*>(p__PCTarnwick_FileTreeNode__Node);
    }
    // Lays out the Joliet directory of every directory linked below the root and sums the
    // Joliet path-table size and directory sectors; the sizes always follow the tree as it
    // stands, whatever was added, renamed or removed.
    void TallyJoliet();
    void WriteSupplementaryDescriptor(CTarnwick_ISO9660ImageWriter& p__Writer, const ExtraPlaces& p__Places,
                                      const CTarnwick_JolietFileTreeNode* p__Root);

    uint64_t m__ULONGLONG__JolietPathTableSize;
    uint64_t m__ULONGLONG__JolietPathTableSectors;
    uint64_t m__ULONGLONG__JolietTotalDirectorySectors;
    ULONG m__ULONG__JolietLPathTableSector;
    ULONG m__ULONG__JolietMPathTableSector;
};
