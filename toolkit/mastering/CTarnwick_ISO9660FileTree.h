#pragma once
#include <cstdint>
#include <memory>
#include <vector>

#include "CTarnwick_FileTree.h"
#include "CTarnwick_ISO9660FileTreeNode.h"
#include "CTarnwick_ISO9660ImageWriter.h"

class CTarnwick_ISO9660Image;
class CTarnwick_MemoryFile;

// A file tree mastered as an ISO9660 image: identifiers and the name-collision protocol
// while it is built, running totals of the image's system structures, and BuildImage,
// which lays the image out and exposes it as one byte stream without copying any file.
class CTarnwick_ISO9660FileTree : public CTarnwick_FileTree {
public:
    CTarnwick_ISO9660FileTree(PROGRESS_CALLBACK p__Callback, PVOID p__PVOID__Context,
                              BOOLEAN p__BOOLEAN__IsIgnoreErrors, BOOLEAN p__BOOLEAN__IsKeepFilesOpen,
                              BOOLEAN p__BOOLEAN__IsLongNames);
    ~CTarnwick_ISO9660FileTree() override;

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
    void OnAddNode(CTarnwick_FileTreeNode* p__PCTarnwick_FileTreeNode__Node) override;
    void OnRemoveNode(CTarnwick_FileTreeNode* p__PCTarnwick_FileTreeNode__Node) override;
    void OnLinkKid(CTarnwick_FileTreeNode* p__PCTarnwick_FileTreeNode__Parent,
                   CTarnwick_FileTreeNode* p__PCTarnwick_FileTreeNode__Kid) override;
    // The name-collision protocol: NAME_COLLISION for each sibling with the same identifier
    // (in list order) until the callback's action settles it. True: drop the kid.
    BOOLEAN CheckName(CTarnwick_FileTreeNode* p__PCTarnwick_FileTreeNode__Parent,
                      CTarnwick_FileTreeNode* p__PCTarnwick_FileTreeNode__Kid) override;

    // Adds a boot image file to the root and puts it into the boot catalog of the image.
    virtual void SetBootImage(const char* p__PCHAR__AbsolutePathAndFileName, const char* p__PCHAR__LongFileName,
                              ULONG p__ULONG__Attributes, LONGLONG p__LONGLONG__FileTime, uint64_t p__ULONGLONG__Size,
                              UCHAR p__UCHAR__SystemType, UCHAR p__UCHAR__BootMediaType);
    // Makes, announces and links one node read from a session already on the disc (under
    // the root when the parent is null): an imported file keeps its extent and size and is
    // never written again; its recording date is the record's 7 bytes. A Joliet name read
    // from the disc (big-endian, p__ULONG__JolietNameLength bytes; 0: none) is the node's
    // Joliet name in a tree that has one. Returns the node, or null when the name check
    // dropped it. p__PRockRidge, when given, holds the POSIX attributes read from the
    // record's Rock Ridge entries; the node keeps a copy.
    virtual CTarnwick_FileTreeNode* ImportFileTreeNode(const char* p__PCHAR__AbsolutePathAndFileName,
                                                       const char* p__PCHAR__Name, const UCHAR* p__PUCHAR__JolietName,
                                                       ULONG p__ULONG__JolietNameLength, ULONG p__ULONG__Attributes,
                                                       const UCHAR* p__PUCHAR__RecordingDate,
                                                       ULONG p__ULONG__ExtentLocation, uint64_t p__ULONGLONG__Size,
                                                       CTarnwick_FileTreeNode* p__PCTarnwick_FileTreeNode__Parent,
                                                       const CTarnwick_RockRidgeAttributes* p__PRockRidge = nullptr);
    // The short name of a long one: the first 12 characters, or for a file the first 8 and
    // an extension found within the last 4.
    static std::string ShortNameOf(const std::string& p__string__Name, BOOLEAN p__BOOLEAN__IsDirectory);

    // Rock Ridge records (POSIX names, attributes, links and deep directories) in the
    // ISO9660 hierarchy; off by default. With it on, walks keep symbolic links as links
    // and nodes keep the POSIX attributes of their files; nodes added before it was turned
    // on get attributes made up from their kind and date. Only before the image is built.
    void SetRockRidge(BOOLEAN p__BOOLEAN__IsRockRidge);
    BOOLEAN IsRockRidge() const { return m__BOOLEAN__IsRockRidge; }

    // Lays the image out at the start sector and builds its system structures; texts may be null.
    virtual void BuildImage(ULONG p__ULONG__StartSector, ULONG p__ULONG__Ignored, BOOLEAN p__BOOLEAN__IsCDXA,
                            const char* p__PCHAR__VolumeLabel, const char* p__PCHAR__PublisherPreparer,
                            const char* p__PCHAR__Application, const char* p__PCHAR__System,
                            const char* p__PCHAR__CopyrightFile, const char* p__PCHAR__BibliographicFile,
                            const char* p__PCHAR__CreationDate, const char* p__PCHAR__ModificationDate,
                            const char* p__PCHAR__ExpirationDate, const char* p__PCHAR__EffectiveDate);
    virtual uint64_t GetPathTableSizeInUCHARs();
    virtual uint64_t GetPathTableSizeInLBs();
    virtual uint64_t GetTotalDirectorySizeInLBs();

    // Recomputes the power (sum of the kids' powers) of a directory and of its ancestors.
    void UpdateNodePower(CTarnwick_FileTreeNode* p__PCTarnwick_FileTreeNode__Node);
    uint64_t GetNodePower(CTarnwick_FileTreeNode* p__PCTarnwick_FileTreeNode__Node);
    uint64_t GetTotalFileSizeInLBs() const { return m__ULONGLONG__TotalFileSectors; }

    // Writes the system structures of the built image to a file.
    void StoreSystemStructures(const char* p__PCHAR__FileName);

    // Makes the tree the container of an image put together elsewhere (a UDF image): an
    // empty image chain, which the caller fills and rewinds, and the tree counts as built.
    CTarnwick_ISO9660Image* MakeContainerImage();
    // The built image (null before BuildImage).
    CTarnwick_ISO9660Image* GetImage() const { return m__PCTarnwick_ISO9660Image; }
    BOOLEAN IsImageBuild() const { return m__BOOLEAN__IsImageBuild; }
    const UCHAR* GetSystemStructures() const { return m__PUCHAR__SystemStructures; }
    uint64_t GetSystemStructuresSize() const { return m__ULONGLONG__SystemStructuresSize; }
    ULONG GetVolumeSpaceSize() const { return m__ULONG__VolumeSpaceSize; }

protected:
    void OnKidListed(CTarnwick_FileTreeNode* p__PCTarnwick_FileTreeNode__Parent,
                     CTarnwick_FileTreeNode* p__PCTarnwick_FileTreeNode__Kid) override;
    void OnKidUnlisted(CTarnwick_FileTreeNode* p__PCTarnwick_FileTreeNode__Parent,
                       CTarnwick_FileTreeNode* p__PCTarnwick_FileTreeNode__Kid) override;
    // Keeps the POSIX attributes of the entry with the node.
    void OnNodeFromEntry(CTarnwick_FileTreeNode* p__PCTarnwick_FileTreeNode__Node,
                         const PlatformDirectoryEntry& p__Entry) override;
    bool IsKeepingLinks() const override { return m__BOOLEAN__IsRockRidge != FALSE; }

    // Where the room reserved for a derived format's structures begins, in absolute sectors.
    struct ExtraPlaces {
        ULONG m__ULONG__PrimaryDescriptorSector;
        ULONG m__ULONG__DescriptorSector;      // after the primary descriptor and the boot record
        ULONG m__ULONG__PathTableSector;       // after the ISO9660 L and M path tables
        ULONG m__ULONG__DirectorySector;       // after the ISO9660 directories
        ULONG m__ULONG__FirstFileSector;       // the end of the room
    };
    // Called by BuildImage once the ISO9660 structures are written and every extent is
    // placed, before the image is put together: a derived format writes its own structures
    // into the room it reserved (nothing here). p__Directories are in layout order.
    virtual void WriteExtraStructures(CTarnwick_ISO9660ImageWriter& p__Writer,
                                      const std::vector<CTarnwick_ISO9660FileTreeNode*>& p__Directories,
                                      const ExtraPlaces& p__Places);

    // The name a node's Rock Ridge record gives when its long name is taken by a sibling
    // (empty here: a number is added to the long name).
    virtual std::string RockRidgeAlternativeName(const CTarnwick_ISO9660FileTreeNode* p__Node) const;

    // Gives an imported node the names read from the disc before its name is checked
    // (nothing here: the ISO9660 identifier follows from the name).
    virtual void TakeImportedNames(CTarnwick_FileTreeNode* p__PCTarnwick_FileTreeNode__Node,
                                   const UCHAR* p__PUCHAR__JolietName, ULONG p__ULONG__JolietNameLength);

    // Reports NAME_COLLISION for a kid that meets an existing node under a name (p__SIZE__Bytes
    // bytes, ISO9660 characters or, with p__BOOLEAN__IsJoliet, UTF-16 in the machine's byte
    // order), with the action preset to replace the existing node. The record comes back
    // as the application left it.
    void ReportCollision(NAME_COLLISION_INFORMATION* p__PInformation, BOOLEAN p__BOOLEAN__IsJoliet, const void* p__PVOID__Name,
                         size_t p__SIZE__Bytes, const CTarnwick_FileTreeNode* p__PCTarnwick_FileTreeNode__Existing,
                         const CTarnwick_FileTreeNode* p__PCTarnwick_FileTreeNode__Kid);
    BOOLEAN IsKeepFilesOpen() const { return m__BOOLEAN__IsKeepFilesOpen; }
    BOOLEAN IsLongNames() const { return m__BOOLEAN__IsLongNames; }

    // Room a derived format reserves beside the ISO9660 structures (0 here).
    uint64_t m__ULONGLONG__ExtraDescriptorBytes;
    uint64_t m__ULONGLONG__ExtraPathTableBytes;
    uint64_t m__ULONGLONG__ExtraDirectoryBytes;

private:
    static CTarnwick_ISO9660FileTreeNode* Iso(CTarnwick_FileTreeNode* p__PCTarnwick_FileTreeNode__Node) {
        return static_cast<CTarnwick_ISO9660FileTreeNode*>(p__PCTarnwick_FileTreeNode__Node);
    }
    // Adds the records of a kid (one per extent) to a directory length.
    static void AddKidRecords(uint64_t* p__PULONGLONG__DirectoryLength, const CTarnwick_ISO9660FileTreeNode* p__Kid);
    // Sets a directory's length and sectors; the total follows when the directory is announced.
    void SetDirectoryLength(CTarnwick_ISO9660FileTreeNode* p__Directory, uint64_t p__ULONGLONG__Length);
    // Lays out the records of every linked kid of an announced directory again, leaving
    // out p__PCTarnwick_FileTreeNode__Left when it is given.
    void RelayoutDirectory(CTarnwick_ISO9660FileTreeNode* p__Directory,
                           const CTarnwick_FileTreeNode* p__PCTarnwick_FileTreeNode__Left = nullptr);
    // Adds a change of power to a directory and to those of its ancestors that count it.
    static void AddPower(CTarnwick_ISO9660FileTreeNode* p__Directory, int64_t p__LONGLONG__Change);
    void AddPathTableBytes(int64_t p__LONGLONG__Change);
    // Lays the image out and has its system structures written (BuildImage without its checks).
    void LayOutAndWrite(ULONG p__ULONG__StartSector, BOOLEAN p__BOOLEAN__IsCDXA,
                        const CTarnwick_ISO9660ImageWriter::Texts& p__Texts);
    // Takes back what a failed build did, so that the tree can be built again.
    void UndoBuild();

    BOOLEAN m__BOOLEAN__IsKeepFilesOpen;
    BOOLEAN m__BOOLEAN__IsLongNames;
    BOOLEAN m__BOOLEAN__IsRockRidge = FALSE;
    uint64_t m__ULONGLONG__PathTableSize;
    uint64_t m__ULONGLONG__PathTableSectors;
    uint64_t m__ULONGLONG__TotalDirectorySectors;
    uint64_t m__ULONGLONG__TotalFileSectors;

    ULONG m__ULONG__StartSector;
    ULONG m__ULONG__PrimaryDescriptorSector;
    ULONG m__ULONG__LPathTableSector;
    ULONG m__ULONG__MPathTableSector;
    ULONG m__ULONG__FirstDirectorySector;
    ULONG m__ULONG__FirstFileSector;
    ULONG m__ULONG__VolumeSpaceSize;
    UCHAR* m__PUCHAR__SystemStructures;
    uint64_t m__ULONGLONG__SystemStructuresSize;
    CTarnwick_MemoryFile* m__PCTarnwick_MemoryFile__SystemStructures;
    CTarnwick_ISO9660Image* m__PCTarnwick_ISO9660Image;
    BOOLEAN m__BOOLEAN__IsImageBuild;
    CTarnwick_ISO9660FileTreeNode* m__PCTarnwick_ISO9660FileTreeNode__BootImage;
    UCHAR m__UCHAR__BootMediaType;
    UCHAR m__UCHAR__SystemType;
    // The directories in layout order (breadth-first), as BuildImage numbered them.
    std::vector<CTarnwick_ISO9660FileTreeNode*> m__Directories;
    // The files a running build gave their extents.
    std::vector<CTarnwick_ISO9660FileTreeNode*> m__PlacedFiles;
};
