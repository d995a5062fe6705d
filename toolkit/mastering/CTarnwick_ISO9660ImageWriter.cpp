#include "CTarnwick_ISO9660ImageWriter.h"

#include <algorithm>
#include <cstring>
#include <ctime>
#include <string>

#include "CTarnwick_Bytes.h"
#include "CTarnwick_Exception.h"

namespace {

// Failures here are failures of the build that called the writer.
const char* const g__PCHAR__BuildImage = "CTarnwick_ISO9660FileTree::BuildImage";

const UCHAR g__UCHAR__Zero = 0;
const UCHAR g__UCHAR__One = 1;

// The ISO9660 hierarchy: disc identifiers, extents and directory sizes of the nodes.
class IsoHierarchy : public CTarnwick_ISO9660ImageWriter::Hierarchy {
public:
    const std::string& Identifier(const CTarnwick_ISO9660FileTreeNode* p__Node) const override {
        return p__Node->GetDiscIdentifier();
    }
    ULONG DirectoryExtent(const CTarnwick_ISO9660FileTreeNode* p__Directory) const override {
        return p__Directory->GetExtentLocation();
    }
    uint64_t DirectorySectors(const CTarnwick_ISO9660FileTreeNode* p__Directory) const override {
        return p__Directory->GetDirectorySectors();
    }
};

}  // namespace

CTarnwick_ISO9660ImageWriter::CTarnwick_ISO9660ImageWriter(UCHAR* p__PUCHAR__SystemStructures, const Layout& p__Layout)
    : m__PUCHAR__SystemStructures(p__PUCHAR__SystemStructures), m__Layout(p__Layout) {}

UCHAR* CTarnwick_ISO9660ImageWriter::SectorAt(ULONG p__ULONG__Sector) const {
    return m__PUCHAR__SystemStructures + static_cast<uint64_t>(p__ULONG__Sector - m__Layout.m__ULONG__StartSector) * SectorSize;
}

void CTarnwick_ISO9660ImageWriter::PutText(UCHAR* p__PUCHAR__Field, const char* p__PCHAR__Text, size_t p__SIZE__Limit) {
    if (p__PCHAR__Text != nullptr && std::strlen(p__PCHAR__Text) < p__SIZE__Limit) {
        std::memcpy(p__PUCHAR__Field, p__PCHAR__Text, std::strlen(p__PCHAR__Text) + 1);
    }
}

ULONG CTarnwick_ISO9660ImageWriter::PutRecord(UCHAR* p__PUCHAR__Record, ULONG p__ULONG__Extent, ULONG p__ULONG__DataLength,
                                              const UCHAR* p__PUCHAR__Date, UCHAR p__UCHAR__Flags,
                                              const UCHAR* p__PUCHAR__Identifier, ULONG p__ULONG__IdentifierLength,
                                              const UCHAR* p__PUCHAR__SystemUse, ULONG p__ULONG__SystemUseLength) {
    ULONG l__ULONG__Length = RecordLengthOf(p__ULONG__IdentifierLength, p__ULONG__SystemUseLength);
    p__PUCHAR__Record[0] = static_cast<UCHAR>(l__ULONG__Length);
    p__PUCHAR__Record[1] = 0;
    CTarnwick_Bytes::PutBothEndian32(p__PUCHAR__Record + 2, p__ULONG__Extent);
    CTarnwick_Bytes::PutBothEndian32(p__PUCHAR__Record + 10, p__ULONG__DataLength);
    std::memcpy(p__PUCHAR__Record + 18, p__PUCHAR__Date, 7);
    p__PUCHAR__Record[25] = p__UCHAR__Flags;
    p__PUCHAR__Record[26] = 0;
    p__PUCHAR__Record[27] = 0;
    CTarnwick_Bytes::PutBothEndian16(p__PUCHAR__Record + 28, 1);
    p__PUCHAR__Record[32] = static_cast<UCHAR>(p__ULONG__IdentifierLength);
    std::memcpy(p__PUCHAR__Record + 33, p__PUCHAR__Identifier, p__ULONG__IdentifierLength);
    if (p__ULONG__SystemUseLength != 0) {
        ULONG l__ULONG__SystemUse = 33 + p__ULONG__IdentifierLength + ((p__ULONG__IdentifierLength & 1) == 0 ? 1 : 0);
        std::memcpy(p__PUCHAR__Record + l__ULONG__SystemUse, p__PUCHAR__SystemUse, p__ULONG__SystemUseLength);
    }
    return l__ULONG__Length;
}

void CTarnwick_ISO9660ImageWriter::FileRecordPart(const CTarnwick_ISO9660FileTreeNode* p__File, ULONG p__ULONG__Index,
                                                  ULONG* p__PULONG__Extent, ULONG* p__PULONG__DataLength,
                                                  UCHAR* p__PUCHAR__Flags) {
    ULONG l__ULONG__Count = p__File->GetExtentCount();
    if (l__ULONG__Count == 1) {
        *p__PULONG__Extent = p__File->GetExtentLocation();
        *p__PULONG__DataLength = static_cast<ULONG>(p__File->GetSize());
        return;
    }
    // One extent of a file of 4 GiB or more, each but the last of the largest size.
    const uint64_t l__ULONGLONG__Before = static_cast<uint64_t>(p__ULONG__Index) * CTarnwick_ISO9660FileTreeNode::MaximumExtentSize;
    *p__PULONG__Extent = p__File->GetExtentLocation() +
                         p__ULONG__Index * static_cast<ULONG>(CTarnwick_ISO9660FileTreeNode::MaximumExtentSize / SectorSize);
    *p__PULONG__DataLength =
        static_cast<ULONG>(std::min(p__File->GetSize() - l__ULONGLONG__Before, CTarnwick_ISO9660FileTreeNode::MaximumExtentSize));
    if (p__ULONG__Index + 1 < l__ULONG__Count) {
        *p__PUCHAR__Flags |= 0x80;
    }
}

void CTarnwick_ISO9660ImageWriter::PutPathTableRecords(const PathTables& p__Tables, uint64_t* p__PULONGLONG__TableOffset,
                                                       ULONG p__ULONG__Extent, USHORT p__USHORT__ParentNumber,
                                                       const UCHAR* p__PUCHAR__Identifier,
                                                       ULONG p__ULONG__IdentifierLength) {
    ULONG l__ULONG__TableRecord = 8 + p__ULONG__IdentifierLength + (p__ULONG__IdentifierLength & 1);
    if (*p__PULONGLONG__TableOffset + l__ULONG__TableRecord > p__Tables.m__ULONGLONG__PathTableSize) {
        CTarnwick_Exception::Raise(g__PCHAR__BuildImage, EXIT_TRACE_FORM_NUMBER_AND_TEXT, EXCEPTION_NUMBER_INVALID_STATE, 0,
                                   "CTarnwick_ISO9660FileTree::BuildImage(): path table exceeds %llu bytes!!!",
                                   static_cast<unsigned long long>(p__Tables.m__ULONGLONG__PathTableSize));
    }
    UCHAR* l__PUCHAR__LRecord = SectorAt(p__Tables.m__ULONG__LPathTableSector) + *p__PULONGLONG__TableOffset;
    UCHAR* l__PUCHAR__MRecord = SectorAt(p__Tables.m__ULONG__MPathTableSector) + *p__PULONGLONG__TableOffset;
    for (UCHAR* l__PUCHAR__Record : {l__PUCHAR__LRecord, l__PUCHAR__MRecord}) {
        l__PUCHAR__Record[0] = static_cast<UCHAR>(p__ULONG__IdentifierLength);
        l__PUCHAR__Record[1] = 0;
        std::memcpy(l__PUCHAR__Record + 8, p__PUCHAR__Identifier, p__ULONG__IdentifierLength);
    }
    CTarnwick_Bytes::PutLittleEndian32(l__PUCHAR__LRecord + 2, p__ULONG__Extent);
    CTarnwick_Bytes::PutLittleEndian16(l__PUCHAR__LRecord + 6, p__USHORT__ParentNumber);
    CTarnwick_Bytes::PutBigEndian32(l__PUCHAR__MRecord + 2, p__ULONG__Extent);
    CTarnwick_Bytes::PutBigEndian16(l__PUCHAR__MRecord + 6, p__USHORT__ParentNumber);
    *p__PULONGLONG__TableOffset += l__ULONG__TableRecord;
}

void CTarnwick_ISO9660ImageWriter::WriteDirectories(const std::vector<CTarnwick_ISO9660FileTreeNode*>& p__Directories) {
    WriteDirectories(p__Directories, IsoHierarchy(),
                     {m__Layout.m__ULONG__LPathTableSector, m__Layout.m__ULONG__MPathTableSector,
                      m__Layout.m__ULONGLONG__PathTableSize});
}

void CTarnwick_ISO9660ImageWriter::WriteDirectories(const std::vector<CTarnwick_ISO9660FileTreeNode*>& p__Directories,
                                                    const Hierarchy& p__Hierarchy, const PathTables& p__Tables) {
    uint64_t l__ULONGLONG__TableOffset = 0;
    for (const CTarnwick_ISO9660FileTreeNode* l__Directory : p__Directories) {
        WriteDirectory(l__Directory, p__Hierarchy, p__Tables, &l__ULONGLONG__TableOffset);
    }
}

void CTarnwick_ISO9660ImageWriter::WriteDirectory(const CTarnwick_ISO9660FileTreeNode* p__Directory,
                                                  const Hierarchy& p__Hierarchy, const PathTables& p__Tables,
                                                  uint64_t* p__PULONGLONG__TableOffset) {
    bool l__BOOLEAN__IsRoot = p__Directory->GetParent() == nullptr;
    const CTarnwick_ISO9660FileTreeNode* l__Parent =
        l__BOOLEAN__IsRoot ? p__Directory : static_cast<const CTarnwick_ISO9660FileTreeNode*>(p__Directory->GetParent());
    static const std::string s__string__None;
    const std::string& l__string__Identifier = l__BOOLEAN__IsRoot ? s__string__None : p__Hierarchy.Identifier(p__Directory);
    ULONG l__ULONG__DirectoryExtent = p__Hierarchy.DirectoryExtent(p__Directory);
    ULONG l__ULONG__ParentExtent = p__Hierarchy.DirectoryExtent(l__Parent);
    // Path-table records, little-endian and big-endian.
    const UCHAR* l__PUCHAR__Identifier =
        l__BOOLEAN__IsRoot ? &g__UCHAR__Zero : reinterpret_cast<const UCHAR*>(l__string__Identifier.data());
    ULONG l__ULONG__IdentifierLength = l__BOOLEAN__IsRoot ? 1 : static_cast<ULONG>(l__string__Identifier.size());
    PutPathTableRecords(p__Tables, p__PULONGLONG__TableOffset, l__ULONG__DirectoryExtent, l__Parent->GetDirectoryNumber(),
                        l__PUCHAR__Identifier, l__ULONG__IdentifierLength);

    // Directory records: ".", "..", then one per kid (one per extent of a file of 4 GiB
    // or more) in kid order; a record that would cross a sector end starts the next sector.
    uint64_t l__ULONGLONG__Capacity = p__Hierarchy.DirectorySectors(p__Directory) * SectorSize;
    UCHAR* l__PUCHAR__Directory = SectorAt(l__ULONG__DirectoryExtent);
    uint64_t l__ULONGLONG__Offset = 0;
    l__ULONGLONG__Offset += PutRecord(l__PUCHAR__Directory, l__ULONG__DirectoryExtent, static_cast<ULONG>(l__ULONGLONG__Capacity),
                                      p__Directory->GetRecordingDate(), 0x02, &g__UCHAR__Zero, 1);
    l__ULONGLONG__Offset += PutRecord(l__PUCHAR__Directory + l__ULONGLONG__Offset, l__ULONG__ParentExtent,
                                      static_cast<ULONG>(p__Hierarchy.DirectorySectors(l__Parent) * SectorSize),
                                      l__Parent->GetRecordingDate(), 0x02, &g__UCHAR__One, 1);
    for (const CTarnwick_FileTreeNode* l__KidNode = p__Directory->GetFirstKid(); l__KidNode != nullptr;
         l__KidNode = l__KidNode->GetNextSibling()) {
        const CTarnwick_ISO9660FileTreeNode* l__Kid = static_cast<const CTarnwick_ISO9660FileTreeNode*>(l__KidNode);
        ULONG l__ULONG__Count = l__Kid->GetExtentCount();
        const std::string& l__string__KidIdentifier = p__Hierarchy.Identifier(l__Kid);
        ULONG l__ULONG__Record = CTarnwick_ISO9660FileTreeNode::RecordLengthOf(static_cast<ULONG>(l__string__KidIdentifier.size()));
        for (ULONG l__ULONG__Index = 0; l__ULONG__Index < l__ULONG__Count; ++l__ULONG__Index) {
            if (l__ULONGLONG__Offset % SectorSize + l__ULONG__Record > SectorSize) {
                l__ULONGLONG__Offset += SectorSize - l__ULONGLONG__Offset % SectorSize;
            }
            if (l__ULONGLONG__Offset + l__ULONG__Record > l__ULONGLONG__Capacity) {
                CTarnwick_Exception::Raise(g__PCHAR__BuildImage, EXIT_TRACE_FORM_NUMBER_AND_TEXT,
                                           EXCEPTION_NUMBER_INVALID_STATE, 0,
                                           "CTarnwick_ISO9660FileTree::BuildImage(): records of '%s' exceed %llu "
                                           "bytes!!!",
                                           p__Directory->GetAbsolutePathAndFileName().c_str(),
                                           static_cast<unsigned long long>(l__ULONGLONG__Capacity));
            }
            ULONG l__ULONG__Extent;
            ULONG l__ULONG__DataLength;
            UCHAR l__UCHAR__Flags = (l__Kid->GetAttributes() & FILE_ATTRIBUTE_HIDDEN) != 0 ? 0x01 : 0x00;
            if (l__Kid->IsDirectory()) {
                l__ULONG__Extent = p__Hierarchy.DirectoryExtent(l__Kid);
                l__ULONG__DataLength = static_cast<ULONG>(p__Hierarchy.DirectorySectors(l__Kid) * SectorSize);
                l__UCHAR__Flags |= 0x02;
            } else {
                FileRecordPart(l__Kid, l__ULONG__Index, &l__ULONG__Extent, &l__ULONG__DataLength, &l__UCHAR__Flags);
            }
            l__ULONGLONG__Offset += PutRecord(l__PUCHAR__Directory + l__ULONGLONG__Offset, l__ULONG__Extent,
                                              l__ULONG__DataLength, l__Kid->GetRecordingDate(), l__UCHAR__Flags,
                                              reinterpret_cast<const UCHAR*>(l__string__KidIdentifier.data()),
                                              static_cast<ULONG>(l__string__KidIdentifier.size()));
        }
    }
}

void CTarnwick_ISO9660ImageWriter::WriteVolumeDescriptors(const CTarnwick_ISO9660FileTreeNode* p__Root,
                                                          BOOLEAN p__BOOLEAN__IsCDXA, const Texts& p__Texts,
                                                          const Boot& p__Boot) {
    UCHAR* l__PUCHAR__Pvd = SectorAt(m__Layout.m__ULONG__PrimaryDescriptorSector);
    l__PUCHAR__Pvd[0] = 1;
    std::memcpy(l__PUCHAR__Pvd + 1, "CD001", 5);
    l__PUCHAR__Pvd[6] = 1;
    PutText(l__PUCHAR__Pvd + 8, p__Texts.m__PCHAR__System, 32);
    if (p__Texts.m__PCHAR__VolumeLabel != nullptr) {
        // A label of 32 characters or more keeps its first 32 in the volume identifier and
        // stays whole (up to 127) in the volume set identifier.
        std::string l__string__VolumeIdentifier = CTarnwick_ISO9660FileTreeNode::CutName(p__Texts.m__PCHAR__VolumeLabel, 32);
        std::memcpy(l__PUCHAR__Pvd + 40, l__string__VolumeIdentifier.data(), l__string__VolumeIdentifier.size());
        PutText(l__PUCHAR__Pvd + 190, p__Texts.m__PCHAR__VolumeLabel, 128);
    }
    CTarnwick_Bytes::PutBothEndian32(l__PUCHAR__Pvd + 80, m__Layout.m__ULONG__VolumeSpaceSize);
    CTarnwick_Bytes::PutBothEndian16(l__PUCHAR__Pvd + 120, 1);
    CTarnwick_Bytes::PutBothEndian16(l__PUCHAR__Pvd + 124, 1);
    CTarnwick_Bytes::PutBothEndian16(l__PUCHAR__Pvd + 128, SectorSize);
    CTarnwick_Bytes::PutBothEndian32(l__PUCHAR__Pvd + 132, static_cast<ULONG>(m__Layout.m__ULONGLONG__PathTableSize));
    CTarnwick_Bytes::PutLittleEndian32(l__PUCHAR__Pvd + 140, m__Layout.m__ULONG__LPathTableSector);
    CTarnwick_Bytes::PutBigEndian32(l__PUCHAR__Pvd + 148, m__Layout.m__ULONG__MPathTableSector);
    // The root's record carries the current time in UTC.
    UCHAR l__UCHAR__Date[7];
    CTarnwick_ISO9660FileTreeNode::RecordingDateOfUnixTime(static_cast<LONGLONG>(std::time(nullptr)), l__UCHAR__Date);
    PutRecord(l__PUCHAR__Pvd + 156, p__Root->GetExtentLocation(), m__Layout.m__ULONG__RootDataLength, l__UCHAR__Date, 0x02,
              &g__UCHAR__Zero, 1);
    PutText(l__PUCHAR__Pvd + 318, p__Texts.m__PCHAR__PublisherPreparer, 128);
    PutText(l__PUCHAR__Pvd + 446, p__Texts.m__PCHAR__PublisherPreparer, 128);
    PutText(l__PUCHAR__Pvd + 574, p__Texts.m__PCHAR__Application, 128);
    PutText(l__PUCHAR__Pvd + 702, p__Texts.m__PCHAR__CopyrightFile, 37);
    PutText(l__PUCHAR__Pvd + 776, p__Texts.m__PCHAR__BibliographicFile, 37);
    const char* const l__Dates[4] = {p__Texts.m__PCHAR__CreationDate, p__Texts.m__PCHAR__ModificationDate,
                                     p__Texts.m__PCHAR__ExpirationDate, p__Texts.m__PCHAR__EffectiveDate};
    for (int l__INT__Date = 0; l__INT__Date < 4; ++l__INT__Date) {
        PutText(l__PUCHAR__Pvd + 813 + 17 * l__INT__Date, l__Dates[l__INT__Date], 17);
    }
    l__PUCHAR__Pvd[881] = 1;
    if (p__BOOLEAN__IsCDXA == 1) {
        std::memcpy(l__PUCHAR__Pvd + 1024, "CD-XA001", 8);
    }

    ULONG l__ULONG__NextDescriptor = m__Layout.m__ULONG__PrimaryDescriptorSector + 1;
    if (p__Boot.m__PCTarnwick_ISO9660FileTreeNode__Image != nullptr) {
        WriteBootRecordAndCatalog(p__Boot);
        ++l__ULONG__NextDescriptor;
    }
    l__ULONG__NextDescriptor += m__Layout.m__ULONG__ExtraDescriptorSectors;
    UCHAR* l__PUCHAR__Terminator = SectorAt(l__ULONG__NextDescriptor);
    l__PUCHAR__Terminator[0] = 255;
    std::memcpy(l__PUCHAR__Terminator + 1, "CD001", 5);
    l__PUCHAR__Terminator[6] = 1;
}

void CTarnwick_ISO9660ImageWriter::WriteBootRecordAndCatalog(const Boot& p__Boot) {
    // The boot record follows the primary descriptor; the catalog lies four sectors after it.
    ULONG l__ULONG__CatalogSector = m__Layout.m__ULONG__PrimaryDescriptorSector + 4;
    UCHAR* l__PUCHAR__Boot = SectorAt(m__Layout.m__ULONG__PrimaryDescriptorSector + 1);
    l__PUCHAR__Boot[0] = 0;
    std::memcpy(l__PUCHAR__Boot + 1, "CD001", 5);
    l__PUCHAR__Boot[6] = 1;
    std::memcpy(l__PUCHAR__Boot + 7, "EL TORITO SPECIFICATION", 23);
    CTarnwick_Bytes::PutLittleEndian32(l__PUCHAR__Boot + 71, l__ULONG__CatalogSector);

    UCHAR* l__PUCHAR__Catalog = SectorAt(l__ULONG__CatalogSector);
    l__PUCHAR__Catalog[0] = 1;
    l__PUCHAR__Catalog[1] = 0;
    std::memcpy(l__PUCHAR__Catalog + 4, "Tarnwick", 6);
    l__PUCHAR__Catalog[30] = 0x55;
    l__PUCHAR__Catalog[31] = 0xAA;
    // The validation entry's sixteen little-endian words sum to 0.
    ULONG l__ULONG__Sum = 0;
    for (int l__INT__Word = 0; l__INT__Word < 16; ++l__INT__Word) {
        l__ULONG__Sum += CTarnwick_Bytes::GetLittleEndian16(l__PUCHAR__Catalog + 2 * l__INT__Word);
    }
    CTarnwick_Bytes::PutLittleEndian16(l__PUCHAR__Catalog + 28, (0x10000 - (l__ULONG__Sum & 0xFFFF)) & 0xFFFF);
    l__PUCHAR__Catalog[32] = 0x88;
    l__PUCHAR__Catalog[33] = p__Boot.m__UCHAR__BootMediaType;
    CTarnwick_Bytes::PutLittleEndian16(l__PUCHAR__Catalog + 34, 0x07C0);
    l__PUCHAR__Catalog[36] = p__Boot.m__UCHAR__SystemType;
    CTarnwick_Bytes::PutLittleEndian16(l__PUCHAR__Catalog + 38, 1);
    CTarnwick_Bytes::PutLittleEndian32(l__PUCHAR__Catalog + 40, p__Boot.m__PCTarnwick_ISO9660FileTreeNode__Image->GetExtentLocation());
}
