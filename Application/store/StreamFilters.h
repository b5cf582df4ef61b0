#pragma once

#include "Application/store/Stream.h"

/// Whether a filter frees what it was given when it is destroyed.
enum class TStreamOwnership { Borrowed, Owned };

/// A stream that wraps another stream, the inner stream, and may own it. A filter supports only
/// the directions it overrides: by default reading, writing and seeking raise EStreamError with a
/// text that names the filter's class.
class TBasicStreamFilter : public TStream {
public:
    TBasicStreamFilter(TStream* inner, TStreamOwnership ownership);
    ~TBasicStreamFilter() override;

    std::int64_t Read(void* buffer, std::int64_t count) override;
    std::int64_t Write(const void* buffer, std::int64_t count) override;
    std::int64_t Seek(std::int64_t offset, TSeekOrigin origin) override;

    /// The class name that the error texts show.
    virtual const char* ClassName() const { return "TBasicStreamFilter"; }

protected:
    TStream& Inner() { return *FInner; }

private:
    TStream* FInner;
    TStreamOwnership FOwnership;
};
