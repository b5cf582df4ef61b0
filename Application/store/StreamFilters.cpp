#include "Application/store/StreamFilters.h"

TBasicStreamFilter::TBasicStreamFilter(TStream* inner, TStreamOwnership ownership)
    : FInner(inner), FOwnership(ownership) {}

TBasicStreamFilter::~TBasicStreamFilter() {
    if (FOwnership == TStreamOwnership::Owned)
        delete FInner;
}

std::int64_t TBasicStreamFilter::Read(void*, std::int64_t) {
    throw EStreamError(std::string("Cannot read from this type of stream filter [") + ClassName() +
                       "]");
}

std::int64_t TBasicStreamFilter::Write(const void*, std::int64_t) {
    throw EStreamError(std::string("Cannot write to this type of stream filter [") + ClassName() +
                       "]");
}

std::int64_t TBasicStreamFilter::Seek(std::int64_t, TSeekOrigin) {
    throw EStreamError(std::string("Cannot seek on this type of stream filter [") + ClassName() +
                       "]");
}
