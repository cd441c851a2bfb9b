// The boundary of a public COM method: its body runs inside, and whatever it
// raises becomes the method's HRESULT plus the thread's error info, because
// no exception may cross into the caller.
//
//     HRESULT CFoo::Bar(BSTR* out) {
//         return com::Boundary([&] {
//             ...;  // raises _com_error on failure
//             return S_OK;
//         });
//     }
//
// - _com_error: its HRESULT; its error info (or none) becomes the thread's.
// - std::bad_alloc: E_OUTOFMEMORY, and no error info.
// - anything else: E_FAIL, with error info describing the exception.
// A body that returns an HRESULT itself leaves the thread's error info as
// it set it.
#pragma once

#include "winapi/types.h"

namespace com {

namespace detail {
// Called inside a catch block: the HRESULT of the exception being handled,
// after setting the thread's error info for it.
HRESULT ReportCurrentException() noexcept;
}  // namespace detail

template <class Body>
HRESULT Boundary(Body&& body) noexcept {
    try {
        return body();
    } catch (...) {
        return detail::ReportCurrentException();
    }
}

}  // namespace com
