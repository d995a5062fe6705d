#pragma once
#include "CTarnwick_EmptyBase.h"
#include "CTarnwick_Exception.h"
#include "tarnwick_types.h"

// The object of class T behind a flat reference (every object handed out is passed as a
// CTarnwick_EmptyBase*), or null for a NULL reference or one to an object of another kind.
template <class T>
T* TarnwickI_ObjectOf(PVOID p__PVOID__Object) {
    return p__PVOID__Object == nullptr ? nullptr
                                       : dynamic_cast<T*>(static_cast<CTarnwick_EmptyBase*>(p__PVOID__Object));
}

// The same, raising EXCEPTION_NUMBER_INVALID_PARAMETER "<function>(): <parameter> is not a
// <kind>!!!" when the reference is NULL or foreign.
template <class T>
T* TarnwickI_RequireObject(PVOID p__PVOID__Object, const char* p__PCHAR__Function, const char* p__PCHAR__Parameter,
                           const char* p__PCHAR__Kind) {
    T* l__Object = TarnwickI_ObjectOf<T>(p__PVOID__Object);
    if (l__Object == nullptr) {
        CTarnwick_Exception::Raise(p__PCHAR__Function, EXIT_TRACE_FORM_NUMBER_AND_TEXT, EXCEPTION_NUMBER_INVALID_PARAMETER,
                                   0, "%s(): %s is not a %s!!!", p__PCHAR__Function, p__PCHAR__Parameter,
                                   p__PCHAR__Kind);
    }
    return l__Object;
}
