// Tarnwick_Destroy: deletes a burner or a tree. It stands apart from the burner functions so
// that a program that only masters images does not link the burning engine for it.
#include "CTarnwick_EmptyBase.h"
#include "tarnwick.h"

extern "C" void Tarnwick_Destroy(PVOID* p__PPVOID__Object) {
    if (p__PPVOID__Object == nullptr || *p__PPVOID__Object == nullptr) return;
    delete static_cast<CTarnwick_EmptyBase*>(*p__PPVOID__Object);
    *p__PPVOID__Object = nullptr;
}
