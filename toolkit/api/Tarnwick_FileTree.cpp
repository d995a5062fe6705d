// The file-tree family of flat functions: thin shells around the ISO9660 and Joliet trees
// that master a disc image, turning every failure into an exception number, a text and a
// system error.
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <mutex>
#include <new>

#include "CTarnwick_FlatBoundary.h"
#include "CTarnwick_ISO9660FileTree.h"
#include "CTarnwick_ISO9660Image.h"
#include "CTarnwick_JolietFileTree.h"
#include "DebugPrint.h"
#include "PlatformDebugOutput.h"
#include "PlatformDirectory.h"
#include "PlatformFile.h"
#include "PlatformSystemError.h"
#include "PlatformVersion.h"
#include "TarnwickI_Object.h"
#include "TarnwickI_Started.h"
#include "tarnwick.h"

namespace {

using Tree = CTarnwick_ISO9660FileTree;
using Node = CTarnwick_FileTreeNode;

Tree* TreeOf(PVOID p__PVOID__Tree, const char* p__PCHAR__Function) {
    return TarnwickI_RequireObject<Tree>(p__PVOID__Tree, p__PCHAR__Function, "p__PVOID__Tree", "tree");
}

// The shell of every family function: the operation runs on the tree, and its failure
// becomes the result.
template <class Operation>
ULONG Shell(const char* p__PCHAR__Function, PVOID p__PVOID__Tree, PCHAR p__PCHAR__ExceptionText,
            ULONG p__ULONG__ExceptionTextSize, PULONG p__PULONG__SystemError, Operation&& p__Operation) {
    return CTarnwick_FlatBoundary::CallTree(p__PCHAR__Function, p__PCHAR__ExceptionText, p__ULONG__ExceptionTextSize,
                                            p__PULONG__SystemError,
                                            [&] { p__Operation(*TreeOf(p__PVOID__Tree, p__PCHAR__Function)); });
}

// The shell of the functions outside the family: a NULL or foreign tree, or a failure,
// leaves the caller's default result.
template <class Operation>
void Query(const char* p__PCHAR__Function, PVOID p__PVOID__Tree, Operation&& p__Operation) {
    CTarnwick_FlatBoundary::CallTree(p__PCHAR__Function, nullptr, 0, nullptr, [&] {
        Tree& l__Tree = *TreeOf(p__PVOID__Tree, p__PCHAR__Function);
        std::lock_guard<PlatformRecursiveLock> l__Guard(l__Tree.GetLock());
        p__Operation(l__Tree);
    });
}

// True when the node hangs in this tree: its chain of parents ends at the tree's root. A node
// of another tree (or one already deleted from it and no longer reachable) is refused, so that
// a query or a change never reaches into a tree through another tree's reference. Taken under
// the tree's lock.
bool IsNodeOf(Tree& p__Tree, const Node* p__Node) {
    if (p__Node == nullptr || p__Tree.GetRoot() == nullptr) return false;
    const Node* l__Top = p__Node;
    while (l__Top->GetParent() != nullptr) l__Top = l__Top->GetParent();
    return l__Top == p__Tree.GetRoot();
}

// The node behind a flat node reference, or null when it is not one of the tree's.
Node* NodeOf(Tree& p__Tree, PVOID p__PVOID__Node) {
    Node* l__Node = static_cast<Node*>(p__PVOID__Node);
    return IsNodeOf(p__Tree, l__Node) ? l__Node : nullptr;
}

// The shell of the node functions outside the family: the operation runs under the tree's
// lock on a node of that tree; otherwise the default is the result.
template <class Result, class Operation>
Result NodeQuery(const char* p__PCHAR__Function, PVOID p__PVOID__Tree, PVOID p__PVOID__Node, Result p__Default,
                 Operation&& p__Operation) {
    Result l__Result = p__Default;
    Query(p__PCHAR__Function, p__PVOID__Tree, [&](Tree& t) {
        if (Node* l__Node = NodeOf(t, p__PVOID__Node)) l__Result = p__Operation(t, *l__Node);
    });
    return l__Result;
}

// The parent an addition goes under: NULL (or a reference holding NULL) is the root, which
// the tree makes on first use and returns as null here; anything else must be a directory of
// this tree. Taken under the tree's lock.
Node* ParentOf(Tree& p__Tree, PVOID* p__PPVOID__Parent, const char* p__PCHAR__Function) {
    if (p__PPVOID__Parent == nullptr || *p__PPVOID__Parent == nullptr) return nullptr;
    Node* l__Parent = NodeOf(p__Tree, *p__PPVOID__Parent);
    if (l__Parent == nullptr || !l__Parent->IsDirectory()) {
        CTarnwick_Exception::Raise(p__PCHAR__Function, EXIT_TRACE_FORM_NUMBER_AND_TEXT,
                                   EXCEPTION_NUMBER_INVALID_PARAMETER, 0,
                                   "%s(): *p__PPVOID__Parent is not a directory of this tree!!!", p__PCHAR__Function);
    }
    return l__Parent;
}

// The built image of the tree; a tree that is not built has none to read.
CTarnwick_ISO9660Image& ImageOf(Tree& p__Tree, const char* p__PCHAR__Function) {
    if (!p__Tree.IsImageBuild() || p__Tree.GetImage() == nullptr) {
        CTarnwick_Exception::Raise(p__PCHAR__Function, EXIT_TRACE_FORM_NUMBER_AND_TEXT, EXCEPTION_NUMBER_INVALID_STATE,
                                   0, "%s(): The tree's image is not built!!!", p__PCHAR__Function);
    }
    return *p__Tree.GetImage();
}

// Builds the image and rewinds it, so that the first read returns its first byte.
void BuildAndRewind(Tree& p__Tree, const char* p__PCHAR__Function, ULONG p__ULONG__StartSector,
                    ULONG p__ULONG__Ignored, BOOLEAN p__BOOLEAN__IsCDXA, const char* const (&p__Texts)[10]) {
    p__Tree.BuildImage(p__ULONG__StartSector, p__ULONG__Ignored, p__BOOLEAN__IsCDXA, p__Texts[0], p__Texts[1],
                       p__Texts[2], p__Texts[3], p__Texts[4], p__Texts[5], p__Texts[6], p__Texts[7], p__Texts[8],
                       p__Texts[9]);
    ImageOf(p__Tree, p__PCHAR__Function).SeekToBegin();
}

// Stands in for a NULL callback: the trees report every node and expect someone to listen.
void NoReports(ULONG, PVOID, PVOID, PVOID) {}

// Once the image is built its chain reads the nodes' own byte sources: a node deleted or
// renamed then would leave the image reading freed memory or disagreeing with the tree.
bool IsFrozen(Tree& p__Tree) { return p__Tree.IsImageBuild() != FALSE; }

}  // namespace

extern "C" ULONG Tarnwick_ISO9660JolietFileTree_Create(PVOID* p__PPVOID__Tree, PCHAR /*p__PCHAR__ExceptionText*/,
                                                       ULONG /*p__ULONG__ExceptionTextSize*/,
                                                       PULONG /*p__PULONG__SystemError*/, PROGRESS_CALLBACK p__Callback,
                                                       PVOID p__PVOID__Context, BOOLEAN p__BOOLEAN__IsIgnoreErrors,
                                                       BOOLEAN p__BOOLEAN__IsKeepFilesOpen,
                                                       BOOLEAN p__BOOLEAN__IsLongNames, BOOLEAN p__BOOLEAN__IsJoliet) {
    static const char* const c__PCHAR__Name = "Tarnwick:Tarnwick_ISO9660JolietFileTree_Create";
    if (!TarnwickI_IsStarted()) {
        DebugPrint("\nTarnwick:Tarnwick_ISO9660JolietFileTree_Create(): EXITing with failure, was not initialized\n");
        return EXCEPTION_NUMBER_NOT_STARTED;
    }
    if (p__PPVOID__Tree == nullptr) return EXCEPTION_NUMBER_INVALID_PARAMETER;
    *p__PPVOID__Tree = nullptr;
    PROGRESS_CALLBACK l__Callback = p__Callback != nullptr ? p__Callback : NoReports;
    Tree* l__Tree = nullptr;
    ULONG l__ULONG__Result = CTarnwick_FlatBoundary::CallTree(c__PCHAR__Name, nullptr, 0, nullptr, [&] {
        l__Tree = p__BOOLEAN__IsJoliet != 0
                      ? new (std::nothrow) CTarnwick_JolietFileTree(l__Callback, p__PVOID__Context,
                                                                    p__BOOLEAN__IsIgnoreErrors,
                                                                    p__BOOLEAN__IsKeepFilesOpen, p__BOOLEAN__IsLongNames)
                      : new (std::nothrow) Tree(l__Callback, p__PVOID__Context, p__BOOLEAN__IsIgnoreErrors,
                                                p__BOOLEAN__IsKeepFilesOpen, p__BOOLEAN__IsLongNames);
    });
    if (l__ULONG__Result != EXCEPTION_NUMBER_SUCCESS) return l__ULONG__Result;
    if (l__Tree == nullptr) return EXCEPTION_NUMBER_OUT_OF_MEMORY;
    *p__PPVOID__Tree = static_cast<CTarnwick_EmptyBase*>(l__Tree);
    return EXCEPTION_NUMBER_SUCCESS;
}

extern "C" ULONG Tarnwick_ISO9660JolietFileTree_Add(PVOID p__PVOID__Tree, PCHAR p__PCHAR__ExceptionText,
                                                    ULONG p__ULONG__ExceptionTextSize, PULONG p__PULONG__SystemError,
                                                    PCHAR p__PCHAR__AbsolutePathAndFileName, PCHAR p__PCHAR__NewName,
                                                    ULONG p__ULONG__TimeSelector, PVOID* p__PPVOID__Parent) {
    static const char* const c__PCHAR__Name = "Tarnwick:Tarnwick_ISO9660JolietFileTree_Add";
    return Shell(c__PCHAR__Name, p__PVOID__Tree, p__PCHAR__ExceptionText, p__ULONG__ExceptionTextSize,
                 p__PULONG__SystemError, [&](Tree& t) {
                     char l__CHAR__Path[TARNWICK_MAX_PATH] = {};
                     const char* l__PCHAR__Path = nullptr;
                     if (p__PCHAR__AbsolutePathAndFileName != nullptr) {
                         // The path is copied into a buffer of the trees' path limit: a longer
                         // one is refused here rather than overrunning it.
                         const size_t l__SIZE__Length = std::strlen(p__PCHAR__AbsolutePathAndFileName);
                         if (l__SIZE__Length >= TARNWICK_MAX_PATH) {
                             CTarnwick_Exception::Raise(
                                 c__PCHAR__Name, EXIT_TRACE_FORM_NUMBER_AND_TEXT, EXCEPTION_NUMBER_INVALID_PARAMETER, 0,
                                 "%s(): strlen( p__PCHAR__AbsolutePathAndFileName ) == %ld exceeds (>=) %ld!!!",
                                 c__PCHAR__Name, static_cast<long>(l__SIZE__Length),
                                 static_cast<long>(TARNWICK_MAX_PATH));
                         }
                         std::memcpy(l__CHAR__Path, p__PCHAR__AbsolutePathAndFileName, l__SIZE__Length);
                         size_t l__SIZE__End = l__SIZE__Length;
                         while (l__SIZE__End > 1 && l__CHAR__Path[l__SIZE__End - 1] == '/') {
                             l__CHAR__Path[--l__SIZE__End] = '\0';
                         }
                         // The root directory is the one path that is not an entry of its own:
                         // it keeps its "/", and the note about it is written in every build.
                         if (std::strcmp(l__CHAR__Path, "/") == 0) {
                             if (PlatformVersion::PlatformId() == PlatformVersion::PlatformIdNt) {
                                 OutputDebugStringA("Tarnwick:Tarnwick_ISO9660JolietFileTree_Add(): Added backslash...\n");
                             } else {
                                 OutputDebugStringA(
                                     "Tarnwick:Tarnwick_ISO9660JolietFileTree_Add(): Backslash NOT added b/s OS version "
                                     "conflict...\n");
                             }
                         }
                         l__PCHAR__Path = l__CHAR__Path;
                     }
                     std::lock_guard<PlatformRecursiveLock> l__Guard(t.GetLock());
                     Node* l__Parent = ParentOf(t, p__PPVOID__Parent, c__PCHAR__Name);
                     t.CreateFromRoot(l__PCHAR__Path, p__PCHAR__NewName, p__ULONG__TimeSelector, &l__Parent);
                     if (p__PPVOID__Parent != nullptr) *p__PPVOID__Parent = l__Parent;
                 });
}

extern "C" ULONG Tarnwick_ISO9660JolietFileTree_AddContents(PVOID p__PVOID__Tree, PCHAR p__PCHAR__ExceptionText,
                                                            ULONG p__ULONG__ExceptionTextSize,
                                                            PULONG p__PULONG__SystemError, PCHAR p__PCHAR__Directory,
                                                            ULONG p__ULONG__TimeSelector, PVOID* p__PPVOID__Parent) {
    static const char* const c__PCHAR__Name = "Tarnwick:Tarnwick_ISO9660JolietFileTree_AddContents";
    return Shell(c__PCHAR__Name, p__PVOID__Tree, p__PCHAR__ExceptionText, p__ULONG__ExceptionTextSize,
                 p__PULONG__SystemError, [&](Tree& t) {
                     if (p__PCHAR__Directory == nullptr || std::strlen(p__PCHAR__Directory) >= TARNWICK_MAX_PATH) {
                         CTarnwick_Exception::Raise(c__PCHAR__Name, EXIT_TRACE_FORM_NUMBER_AND_TEXT,
                                                    EXCEPTION_NUMBER_INVALID_PARAMETER, 0,
                                                    "%s(): p__PCHAR__Directory is NULL or too long!!!", c__PCHAR__Name);
                     }
                     std::string l__string__Directory(p__PCHAR__Directory);
                     while (l__string__Directory.size() > 1 && l__string__Directory.back() == '/') {
                         l__string__Directory.pop_back();
                     }
                     std::lock_guard<PlatformRecursiveLock> l__Guard(t.GetLock());
                     Node* l__Parent = ParentOf(t, p__PPVOID__Parent, c__PCHAR__Name);
                     t.CreateFromDirectoryContents(l__string__Directory.c_str(), p__ULONG__TimeSelector, l__Parent);
                     if (p__PPVOID__Parent != nullptr) *p__PPVOID__Parent = l__Parent != nullptr ? l__Parent : t.GetRoot();
                 });
}

extern "C" PVOID Tarnwick_ISO9660FileTree_GetRoot(PVOID p__PVOID__Tree) {
    PVOID l__PVOID__Root = nullptr;
    Query("Tarnwick:Tarnwick_ISO9660FileTree_GetRoot", p__PVOID__Tree, [&](Tree& t) { l__PVOID__Root = t.GetRoot(); });
    return l__PVOID__Root;
}

extern "C" ULONG Tarnwick_ISO9660JolietFileTree_GetTreeLevel(PVOID p__PVOID__Tree) {
    ULONG l__ULONG__Level = 0;
    Query("Tarnwick:Tarnwick_ISO9660JolietFileTree_GetTreeLevel", p__PVOID__Tree,
          [&](Tree& t) { l__ULONG__Level = t.GetTreeLevel(); });
    return l__ULONG__Level;
}

extern "C" ULONG Tarnwick_ISO9660FileTree_BuildImage(PVOID p__PVOID__Tree, PCHAR p__PCHAR__ExceptionText,
                                                     ULONG p__ULONG__ExceptionTextSize, PULONG p__PULONG__SystemError,
                                                     ULONG p__ULONG__StartSector, ULONG p__ULONG__Ignored,
                                                     BOOLEAN p__BOOLEAN__IsCDXA, PCHAR p__PCHAR__VolumeLabel,
                                                     PCHAR p__PCHAR__PublisherPreparer, PCHAR p__PCHAR__Application) {
    static const char* const c__PCHAR__Name = "Tarnwick:Tarnwick_ISO9660FileTree_BuildImage";
    return Shell(c__PCHAR__Name, p__PVOID__Tree, p__PCHAR__ExceptionText, p__ULONG__ExceptionTextSize,
                 p__PULONG__SystemError, [&](Tree& t) {
                     const char* const l__Texts[10] = {p__PCHAR__VolumeLabel, p__PCHAR__PublisherPreparer,
                                                       p__PCHAR__Application, "", "", "", "", "", "", ""};
                     BuildAndRewind(t, c__PCHAR__Name, p__ULONG__StartSector, p__ULONG__Ignored, p__BOOLEAN__IsCDXA,
                                    l__Texts);
                 });
}

extern "C" ULONG Tarnwick_ISO9660JolietFileTree_BuildImageEx(
    PVOID p__PVOID__Tree, PCHAR p__PCHAR__ExceptionText, ULONG p__ULONG__ExceptionTextSize,
    PULONG p__PULONG__SystemError, ULONG p__ULONG__StartSector, ULONG p__ULONG__Ignored, BOOLEAN p__BOOLEAN__IsCDXA,
    PCHAR p__PCHAR__VolumeLabel, PCHAR p__PCHAR__PublisherPreparer, PCHAR p__PCHAR__Application,
    PCHAR p__PCHAR__System, PCHAR p__PCHAR__CopyrightFile, PCHAR p__PCHAR__BibliographicFile,
    PCHAR p__PCHAR__CreationDate, PCHAR p__PCHAR__ModificationDate, PCHAR p__PCHAR__ExpirationDate,
    PCHAR p__PCHAR__EffectiveDate) {
    static const char* const c__PCHAR__Name = "Tarnwick:Tarnwick_ISO9660JolietFileTree_BuildImageEx";
    return Shell(c__PCHAR__Name, p__PVOID__Tree, p__PCHAR__ExceptionText, p__ULONG__ExceptionTextSize,
                 p__PULONG__SystemError, [&](Tree& t) {
                     const char* const l__Texts[10] = {p__PCHAR__VolumeLabel,      p__PCHAR__PublisherPreparer,
                                                       p__PCHAR__Application,      p__PCHAR__System,
                                                       p__PCHAR__CopyrightFile,    p__PCHAR__BibliographicFile,
                                                       p__PCHAR__CreationDate,     p__PCHAR__ModificationDate,
                                                       p__PCHAR__ExpirationDate,   p__PCHAR__EffectiveDate};
                     BuildAndRewind(t, c__PCHAR__Name, p__ULONG__StartSector, p__ULONG__Ignored, p__BOOLEAN__IsCDXA,
                                    l__Texts);
                 });
}

extern "C" ULONG Tarnwick_ISO9660JolietFileTree_GetSizeInUCHARs(PVOID p__PVOID__Tree, PULONG p__PULONG__High) {
    uint64_t l__ULONGLONG__Size = 0;
    Query("Tarnwick:Tarnwick_ISO9660JolietFileTree_GetSizeInUCHARs", p__PVOID__Tree, [&](Tree& t) {
        if (t.IsImageBuild() && t.GetImage() != nullptr) l__ULONGLONG__Size = t.GetImage()->GetSize();
    });
    if (p__PULONG__High != nullptr) *p__PULONG__High = static_cast<ULONG>(l__ULONGLONG__Size >> 32);
    return static_cast<ULONG>(l__ULONGLONG__Size);
}

extern "C" ULONG Tarnwick_ISO9660JolietFileTree_Read(PVOID p__PVOID__Tree, PCHAR p__PCHAR__ExceptionText,
                                                     ULONG p__ULONG__ExceptionTextSize, PULONG p__PULONG__SystemError,
                                                     LONG p__LONG__Length, PVOID p__PVOID__Buffer) {
    static const char* const c__PCHAR__Name = "Tarnwick:Tarnwick_ISO9660JolietFileTree_Read";
    return Shell(c__PCHAR__Name, p__PVOID__Tree, p__PCHAR__ExceptionText, p__ULONG__ExceptionTextSize,
                 p__PULONG__SystemError, [&](Tree& t) {
                     // Widened with its sign, a negative length would be a read of nearly 2^64
                     // bytes into the caller's buffer: it is refused, as is a missing buffer.
                     if (p__LONG__Length < 0 || (p__LONG__Length > 0 && p__PVOID__Buffer == nullptr)) {
                         CTarnwick_Exception::Raise(c__PCHAR__Name, EXIT_TRACE_FORM_NUMBER_AND_TEXT,
                                                    EXCEPTION_NUMBER_INVALID_PARAMETER, 0,
                                                    "%s(): Cannot read %ld UCHARs into buffer %p!!!", c__PCHAR__Name,
                                                    static_cast<long>(p__LONG__Length), p__PVOID__Buffer);
                     }
                     ImageOf(t, c__PCHAR__Name)
                         .Read(static_cast<uint64_t>(static_cast<int64_t>(p__LONG__Length)), p__PVOID__Buffer);
                 });
}

extern "C" ULONG Tarnwick_ISO9660JolietFileTree_SeekToBegin(PVOID p__PVOID__Tree, PCHAR p__PCHAR__ExceptionText,
                                                            ULONG p__ULONG__ExceptionTextSize,
                                                            PULONG p__PULONG__SystemError) {
    static const char* const c__PCHAR__Name = "Tarnwick:Tarnwick_ISO9660JolietFileTree_SeekToBegin";
    return Shell(c__PCHAR__Name, p__PVOID__Tree, p__PCHAR__ExceptionText, p__ULONG__ExceptionTextSize,
                 p__PULONG__SystemError, [&](Tree& t) { ImageOf(t, c__PCHAR__Name).SeekToBegin(); });
}

extern "C" ULONG Tarnwick_ISO9660JolietFileTree_SetRockRidge(PVOID p__PVOID__Tree, BOOLEAN p__BOOLEAN__IsRockRidge,
                                                             PCHAR p__PCHAR__ExceptionText,
                                                             ULONG p__ULONG__ExceptionTextSize,
                                                             PULONG p__PULONG__SystemError) {
    static const char* const c__PCHAR__Name = "Tarnwick:Tarnwick_ISO9660JolietFileTree_SetRockRidge";
    return Shell(c__PCHAR__Name, p__PVOID__Tree, p__PCHAR__ExceptionText, p__ULONG__ExceptionTextSize,
                 p__PULONG__SystemError, [&](Tree& t) { t.SetRockRidge(p__BOOLEAN__IsRockRidge); });
}

extern "C" BOOLEAN Tarnwick_ISO9660JolietFileTree_GetRockRidge(PVOID p__PVOID__Tree) {
    BOOLEAN l__BOOLEAN__IsRockRidge = FALSE;
    Query("Tarnwick:Tarnwick_ISO9660JolietFileTree_GetRockRidge", p__PVOID__Tree,
          [&](Tree& t) { l__BOOLEAN__IsRockRidge = t.IsRockRidge(); });
    return l__BOOLEAN__IsRockRidge;
}

extern "C" ULONG Tarnwick_ISO9660JolietFileTree_SetBootImage(PVOID p__PVOID__Tree, PCHAR p__PCHAR__FileName,
                                                             ULONG p__ULONG__SystemType, ULONG p__ULONG__BootMediaType,
                                                             PCHAR p__PCHAR__ExceptionText,
                                                             ULONG p__ULONG__ExceptionTextSize,
                                                             PULONG p__PULONG__SystemError) {
    static const char* const c__PCHAR__Name = "Tarnwick:Tarnwick_ISO9660JolietFileTree_SetBootImage";
    bool l__bool__IsOpenFailure = false;
    ULONG l__ULONG__Result = Shell(
        c__PCHAR__Name, p__PVOID__Tree, p__PCHAR__ExceptionText, p__ULONG__ExceptionTextSize, p__PULONG__SystemError,
        [&](Tree& t) {
            if (p__PCHAR__FileName == nullptr) {
                CTarnwick_Exception::Raise(c__PCHAR__Name, EXIT_TRACE_FORM_NUMBER_AND_TEXT,
                                           EXCEPTION_NUMBER_INVALID_PARAMETER, 0, "%s(): p__PCHAR__FileName is NULL!!!",
                                           c__PCHAR__Name);
            }
            const LONGLONG l__LONGLONG__FileTime = static_cast<LONGLONG>(std::time(nullptr));
            const int l__INT__Handle = PlatformFile::OpenRead(p__PCHAR__FileName);
            if (l__INT__Handle == PlatformFile::InvalidHandle) {
                const ULONG l__ULONG__Error = GetLastError();
                char l__CHAR__Text[4096] = {};
                std::snprintf(l__CHAR__Text, sizeof(l__CHAR__Text),
                              "\nTarnwick:Tarnwick_ISO9660JolietFileTree_SetBootImage(): CreateFile( '%s' ) failed, "
                              "status %ld ( 0x%X )\n",
                              p__PCHAR__FileName, static_cast<long>(l__ULONG__Error), l__ULONG__Error);
                DebugPrint("%s", l__CHAR__Text);
                if (p__PULONG__SystemError != nullptr) *p__PULONG__SystemError = l__ULONG__Error;
                if (p__PCHAR__ExceptionText != nullptr && p__ULONG__ExceptionTextSize > 0) {
                    std::snprintf(p__PCHAR__ExceptionText, p__ULONG__ExceptionTextSize, "%s", l__CHAR__Text);
                }
                l__bool__IsOpenFailure = true;
                return;
            }
            const int64_t l__LONGLONG__Size = PlatformFile::Size(l__INT__Handle);
            const ULONG l__ULONG__SizeError = GetLastError();
            PlatformFile::Close(l__INT__Handle);
            if (l__LONGLONG__Size < 0) {
                CTarnwick_Exception::Raise(c__PCHAR__Name, EXIT_TRACE_FORM_NUMBER_AND_TEXT, EXCEPTION_NUMBER_SYSTEM_ERROR,
                                           l__ULONG__SizeError, "%s(): GetFileSize( '%s' ) failed, status %ld!!!",
                                           c__PCHAR__Name, p__PCHAR__FileName, static_cast<long>(l__ULONG__SizeError));
            }
            t.SetBootImage(p__PCHAR__FileName, "boot.img", 0, l__LONGLONG__FileTime,
                           static_cast<uint64_t>(l__LONGLONG__Size), static_cast<UCHAR>(p__ULONG__SystemType),
                           static_cast<UCHAR>(p__ULONG__BootMediaType));
        });
    return l__bool__IsOpenFailure ? static_cast<ULONG>(EXCEPTION_NUMBER_SYSTEM_ERROR) : l__ULONG__Result;
}

extern "C" ULONG Tarnwick_ISO9660JolietFileTree_SetBootImageEx(PVOID p__PVOID__Tree, PCHAR p__PCHAR__FileName,
                                                               PCHAR p__PCHAR__NameInImage, ULONG p__ULONG__SystemType,
                                                               ULONG p__ULONG__BootMediaType,
                                                               PCHAR p__PCHAR__ExceptionText,
                                                               ULONG p__ULONG__ExceptionTextSize,
                                                               PULONG p__PULONG__SystemError) {
    static const char* const c__PCHAR__Name = "Tarnwick:Tarnwick_ISO9660JolietFileTree_SetBootImageEx";
    return Shell(c__PCHAR__Name, p__PVOID__Tree, p__PCHAR__ExceptionText, p__ULONG__ExceptionTextSize,
                 p__PULONG__SystemError, [&](Tree& t) {
                     PlatformDirectoryEntry l__Entry{};
                     if (p__PCHAR__FileName == nullptr) {
                         CTarnwick_Exception::Raise(c__PCHAR__Name, EXIT_TRACE_FORM_NUMBER_AND_TEXT,
                                                    EXCEPTION_NUMBER_INVALID_PARAMETER, 0,
                                                    "%s(): p__PCHAR__FileName is NULL!!!", c__PCHAR__Name);
                     }
                     if (!PlatformDirectory::Find(p__PCHAR__FileName, l__Entry)) {
                         const ULONG l__ULONG__Error = static_cast<ULONG>(errno);
                         CTarnwick_Exception::Raise(c__PCHAR__Name, EXIT_TRACE_FORM_NUMBER_AND_TEXT,
                                                    EXCEPTION_NUMBER_SYSTEM_ERROR, l__ULONG__Error,
                                                    "%s(): cannot find the boot image '%s', status %ld!!!",
                                                    c__PCHAR__Name, p__PCHAR__FileName,
                                                    static_cast<long>(l__ULONG__Error));
                     }
                     if ((l__Entry.m__ULONG__Attributes & PlatformDirectory::AttributeDirectory) != 0) {
                         CTarnwick_Exception::Raise(c__PCHAR__Name, EXIT_TRACE_FORM_NUMBER_AND_TEXT,
                                                    EXCEPTION_NUMBER_INVALID_PARAMETER, 0,
                                                    "%s(): the boot image '%s' is a directory!!!", c__PCHAR__Name,
                                                    p__PCHAR__FileName);
                     }
                     const char* l__PCHAR__NameInImage =
                         p__PCHAR__NameInImage != nullptr ? p__PCHAR__NameInImage : l__Entry.m__string__Name.c_str();
                     t.SetBootImage(p__PCHAR__FileName, l__PCHAR__NameInImage, 0, l__Entry.m__LONGLONG__LastWriteTime,
                                    l__Entry.m__ULONGLONG__Size, static_cast<UCHAR>(p__ULONG__SystemType),
                                    static_cast<UCHAR>(p__ULONG__BootMediaType));
                 });
}

extern "C" ULONG Tarnwick_ISO9660JolietFileTree_StoreSystemStructures(PVOID p__PVOID__Tree,
                                                                     PCHAR p__PCHAR__ExceptionText,
                                                                     ULONG p__ULONG__ExceptionTextSize,
                                                                     PULONG p__PULONG__SystemError,
                                                                     PCHAR p__PCHAR__FileName) {
    static const char* const c__PCHAR__Name = "Tarnwick:Tarnwick_ISO9660JolietFileTree_StoreSystemStructures";
    return Shell(c__PCHAR__Name, p__PVOID__Tree, p__PCHAR__ExceptionText, p__ULONG__ExceptionTextSize,
                 p__PULONG__SystemError, [&](Tree& t) {
                     if (p__PCHAR__FileName == nullptr) {
                         CTarnwick_Exception::Raise(c__PCHAR__Name, EXIT_TRACE_FORM_NUMBER_AND_TEXT,
                                                    EXCEPTION_NUMBER_INVALID_PARAMETER, 0,
                                                    "%s(): p__PCHAR__FileName is NULL!!!", c__PCHAR__Name);
                     }
                     ImageOf(t, c__PCHAR__Name);
                     t.StoreSystemStructures(p__PCHAR__FileName);
                 });
}

extern "C" ULONG Tarnwick_ISO9660JolietFileTree_AddMemory(PVOID p__PVOID__Tree, PCHAR p__PCHAR__ExceptionText,
                                                          ULONG p__ULONG__ExceptionTextSize,
                                                          PULONG p__PULONG__SystemError, PVOID p__PVOID__Memory,
                                                          ULONGLONG p__ULONGLONG__Size, PCHAR p__PCHAR__NewName,
                                                          ULONG p__ULONG__TimeSelector, PVOID* p__PPVOID__Parent) {
    static const char* const c__PCHAR__Name = "Tarnwick:Tarnwick_ISO9660JolietFileTree_AddMemory";
    return Shell(c__PCHAR__Name, p__PVOID__Tree, p__PCHAR__ExceptionText, p__ULONG__ExceptionTextSize,
                 p__PULONG__SystemError, [&](Tree& t) {
                     if (p__PCHAR__NewName == nullptr || (p__PVOID__Memory == nullptr && p__ULONGLONG__Size > 0)) {
                         CTarnwick_Exception::Raise(c__PCHAR__Name, EXIT_TRACE_FORM_NUMBER_AND_TEXT,
                                                    EXCEPTION_NUMBER_INVALID_PARAMETER, 0,
                                                    "%s(): p__PCHAR__NewName or p__PVOID__Memory is NULL!!!",
                                                    c__PCHAR__Name);
                     }
                     std::lock_guard<PlatformRecursiveLock> l__Guard(t.GetLock());
                     t.CreateFromRootMemoryChecked(p__PVOID__Memory, p__ULONGLONG__Size, p__PCHAR__NewName,
                                                   p__ULONG__TimeSelector,
                                                   ParentOf(t, p__PPVOID__Parent, c__PCHAR__Name));
                 });
}

extern "C" void Tarnwick_ISO9660JolietFileTree_Cancel(PVOID p__PVOID__Tree) {
    // No lock: another thread sets the flag while the walk holds the tree.
    CTarnwick_FlatBoundary::CallTree("Tarnwick:Tarnwick_ISO9660JolietFileTree_Cancel", nullptr, 0, nullptr, [&] {
        TreeOf(p__PVOID__Tree, "Tarnwick:Tarnwick_ISO9660JolietFileTree_Cancel")->m__BOOLEAN__IsCancelCreation = TRUE;
    });
}

extern "C" BOOLEAN Tarnwick_ISO9660JolietFileTree_DeleteNode(PVOID p__PVOID__Tree, PVOID* p__PPVOID__Node) {
    BOOLEAN l__BOOLEAN__IsDeleted = FALSE;
    Query("Tarnwick:Tarnwick_ISO9660JolietFileTree_DeleteNode", p__PVOID__Tree, [&](Tree& t) {
        if (p__PPVOID__Node == nullptr || IsFrozen(t)) return;
        Node* l__Node = NodeOf(t, *p__PPVOID__Node);
        if (l__Node == nullptr) return;
        // A node of this tree is either the root or listed among its parent's kids.
        Node* l__Parent = l__Node->GetParent();
        bool l__bool__IsFound = l__Parent == nullptr;
        for (Node* l__Kid = l__Parent != nullptr ? l__Parent->GetFirstKid() : nullptr; l__Kid != nullptr && !l__bool__IsFound;
             l__Kid = l__Kid->GetNextSibling()) {
            l__bool__IsFound = l__Kid == l__Node;
        }
        if (!l__bool__IsFound) return;
        t.DeleteNode(&l__Node);
        *p__PPVOID__Node = nullptr;
        l__BOOLEAN__IsDeleted = TRUE;
    });
    return l__BOOLEAN__IsDeleted;
}

extern "C" PVOID Tarnwick_ISO9660JolietFileTree_GetFirstKid(PVOID p__PVOID__Tree, PVOID p__PVOID__Node) {
    PVOID l__PVOID__Kid = nullptr;
    Query("Tarnwick:Tarnwick_ISO9660JolietFileTree_GetFirstKid", p__PVOID__Tree, [&](Tree& t) {
        Node* l__Node = p__PVOID__Node == nullptr ? t.GetRoot() : NodeOf(t, p__PVOID__Node);
        if (l__Node != nullptr) l__PVOID__Kid = t.GetFirstKid(l__Node);
    });
    return l__PVOID__Kid;
}

extern "C" PVOID Tarnwick_ISO9660JolietFileTree_GetNextKid(PVOID p__PVOID__Tree, PVOID p__PVOID__Kid) {
    return NodeQuery("Tarnwick:Tarnwick_ISO9660JolietFileTree_GetNextKid", p__PVOID__Tree, p__PVOID__Kid,
                     static_cast<PVOID>(nullptr), [](Tree& t, Node& n) -> PVOID { return t.GetNextKid(&n); });
}

extern "C" PVOID Tarnwick_ISO9660JolietFileTree_GetParent(PVOID p__PVOID__Tree, PVOID p__PVOID__Node) {
    return NodeQuery("Tarnwick:Tarnwick_ISO9660JolietFileTree_GetParent", p__PVOID__Tree, p__PVOID__Node,
                     static_cast<PVOID>(nullptr), [](Tree& t, Node& n) -> PVOID { return t.GetParent(&n); });
}

extern "C" ULONG Tarnwick_ISO9660JolietFileTree_GetAttributes(PVOID p__PVOID__Tree, PVOID p__PVOID__Node) {
    return NodeQuery("Tarnwick:Tarnwick_ISO9660JolietFileTree_GetAttributes", p__PVOID__Tree, p__PVOID__Node, ULONG{0},
                     [](Tree& t, Node& n) { return t.GetAttributes(&n); });
}

extern "C" ULONGLONG Tarnwick_ISO9660JolietFileTree_GetNodeSize(PVOID p__PVOID__Tree, PVOID p__PVOID__Node) {
    return NodeQuery("Tarnwick:Tarnwick_ISO9660JolietFileTree_GetNodeSize", p__PVOID__Tree, p__PVOID__Node,
                     ULONGLONG{0}, [](Tree&, Node& n) -> ULONGLONG { return n.GetSize(); });
}

extern "C" void Tarnwick_ISO9660JolietFileTree_GetNames(PVOID p__PVOID__Tree, PVOID p__PVOID__Node,
                                                        PCHAR p__PCHAR__AbsolutePathAndFileName,
                                                        PCHAR p__PCHAR__LongFileName, PCHAR p__PCHAR__ShortFileName) {
    NodeQuery("Tarnwick:Tarnwick_ISO9660JolietFileTree_GetNames", p__PVOID__Tree, p__PVOID__Node, 0, [&](Tree& t, Node& n) {
        t.GetNames(&n, p__PCHAR__AbsolutePathAndFileName, p__PCHAR__LongFileName, p__PCHAR__ShortFileName);
        for (PCHAR l__PCHAR__Name : {p__PCHAR__AbsolutePathAndFileName, p__PCHAR__LongFileName, p__PCHAR__ShortFileName}) {
            if (l__PCHAR__Name != nullptr && l__PCHAR__Name[0] == ':') l__PCHAR__Name[0] = '\0';
        }
        return 0;
    });
}

extern "C" BOOLEAN Tarnwick_ISO9660JolietFileTree_RenameNode(PVOID p__PVOID__Tree, PVOID p__PVOID__Node,
                                                             PCHAR p__PCHAR__LongFileName,
                                                             PCHAR p__PCHAR__ShortFileName) {
    if (p__PCHAR__LongFileName == nullptr || p__PCHAR__ShortFileName == nullptr) return FALSE;
    return NodeQuery("Tarnwick:Tarnwick_ISO9660JolietFileTree_RenameNode", p__PVOID__Tree, p__PVOID__Node,
                     BOOLEAN{FALSE}, [&](Tree& t, Node& n) -> BOOLEAN {
                         return IsFrozen(t) ? FALSE : t.RenameNode(&n, p__PCHAR__LongFileName, p__PCHAR__ShortFileName);
                     });
}
