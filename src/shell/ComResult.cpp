#include "ComResult.h"

#include <exception>
#include <new>

#include "Error.h"

namespace shell {

namespace {

HRESULT ResultOf(ErrorKind kind, HRESULT streamFailure) {
    switch (kind) {
        case ErrorKind::DamagedPng:
        case ErrorKind::DamagedDxf:
        case ErrorKind::DamagedDwg:
            return kDamaged;  // the decoder's verdict on bytes that were read
        case ErrorKind::OutOfMemory:
            return FAILED(streamFailure) ? streamFailure : E_OUTOFMEMORY;
        case ErrorKind::StreamRead:
        case ErrorKind::FileOpen:
        case ErrorKind::StreamGrow:
        case ErrorKind::InvalidBitmap:
        case ErrorKind::RangeCheck:
        case ErrorKind::Platform:
        case ErrorKind::Com:
        case ErrorKind::InterfaceNotSupported:
        case ErrorKind::NoTimer:
        case ErrorKind::NoDesktopFolder:
        case ErrorKind::InvalidRegistryType:
        case ErrorKind::RegistryReadFailed:
            break;
    }
    return FAILED(streamFailure) ? streamFailure : kDamaged;
}

}  // namespace

HRESULT ResultOfCurrentException(HRESULT streamFailure) noexcept {
    try {
        throw;
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    } catch (const AppError& error) {
        return ResultOf(error.Kind(), streamFailure);
    } catch (...) {
        return E_UNEXPECTED;
    }
}

}  // namespace shell
