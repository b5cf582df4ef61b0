#include "Application/store/Rc6.h"

#include "Application/store/AuxFuncs.h"

#include <algorithm>
#include <bit>

namespace {

constexpr std::uint32_t kP32 = 0xB7E15163u;
constexpr std::uint32_t kQ32 = 0x9E3779B9u;
constexpr int kRounds = TRC6::kRounds;

// Blocks are processed this many at a time: the rounds of one block form a long chain of
// dependent multiplies and rotations, and interleaving independent blocks lets the processor work
// on one while another waits. The state of all lanes stays in locals so that the compiler can
// keep it in registers once the loops are unrolled.
constexpr std::size_t kLanes = 4;

inline int Amount(std::uint32_t word) {
    return static_cast<int>(word & 31);
}

// f(x) = (x * (2x + 1)) <<< lg w, with lg w = 5.
inline std::uint32_t F(std::uint32_t x) {
    return std::rotl(x * (2 * x + 1), 5);
}

template <std::size_t N>
inline void EncryptLanes(const std::uint32_t* S, std::uint8_t* data) {
    std::uint32_t A[N], B[N], C[N], D[N];
#pragma GCC unroll 8
    for (std::size_t k = 0; k < N; ++k) {
        std::uint8_t* p = data + 16 * k;
        A[k] = LoadWordLE(p);
        B[k] = LoadWordLE(p + 4) + S[0];
        C[k] = LoadWordLE(p + 8);
        D[k] = LoadWordLE(p + 12) + S[1];
    }
#pragma GCC unroll 20
    for (int i = 1; i <= kRounds; ++i) {
        const std::uint32_t s0 = S[2 * i];
        const std::uint32_t s1 = S[2 * i + 1];
#pragma GCC unroll 8
        for (std::size_t k = 0; k < N; ++k) {
            const std::uint32_t t = F(B[k]);
            const std::uint32_t u = F(D[k]);
            const std::uint32_t a = std::rotl(A[k] ^ t, Amount(u)) + s0;
            const std::uint32_t c = std::rotl(C[k] ^ u, Amount(t)) + s1;
            // (A, B, C, D) = (B, C, D, A)
            A[k] = B[k];
            B[k] = c;
            C[k] = D[k];
            D[k] = a;
        }
    }
#pragma GCC unroll 8
    for (std::size_t k = 0; k < N; ++k) {
        std::uint8_t* p = data + 16 * k;
        StoreWordLE(p, A[k] + S[2 * kRounds + 2]);
        StoreWordLE(p + 4, B[k]);
        StoreWordLE(p + 8, C[k] + S[2 * kRounds + 3]);
        StoreWordLE(p + 12, D[k]);
    }
}

template <std::size_t N>
inline void DecryptLanes(const std::uint32_t* S, std::uint8_t* data) {
    std::uint32_t A[N], B[N], C[N], D[N];
#pragma GCC unroll 8
    for (std::size_t k = 0; k < N; ++k) {
        std::uint8_t* p = data + 16 * k;
        A[k] = LoadWordLE(p) - S[2 * kRounds + 2];
        B[k] = LoadWordLE(p + 4);
        C[k] = LoadWordLE(p + 8) - S[2 * kRounds + 3];
        D[k] = LoadWordLE(p + 12);
    }
#pragma GCC unroll 20
    for (int i = kRounds; i >= 1; --i) {
        const std::uint32_t s0 = S[2 * i];
        const std::uint32_t s1 = S[2 * i + 1];
#pragma GCC unroll 8
        for (std::size_t k = 0; k < N; ++k) {
            // (A, B, C, D) = (D, A, B, C)
            const std::uint32_t a = D[k];
            const std::uint32_t b = A[k];
            const std::uint32_t c = B[k];
            const std::uint32_t d = C[k];
            const std::uint32_t u = F(d);
            const std::uint32_t t = F(b);
            A[k] = std::rotr(a - s0, Amount(u)) ^ t;
            B[k] = b;
            C[k] = std::rotr(c - s1, Amount(t)) ^ u;
            D[k] = d;
        }
    }
#pragma GCC unroll 8
    for (std::size_t k = 0; k < N; ++k) {
        std::uint8_t* p = data + 16 * k;
        StoreWordLE(p, A[k]);
        StoreWordLE(p + 4, B[k] - S[0]);
        StoreWordLE(p + 8, C[k]);
        StoreWordLE(p + 12, D[k] - S[1]);
    }
}

} // namespace

TRC6::TRC6(const std::string& keyText) {
    Init("RC6", kBlockSize, keyText, kKeySize);
}

TRC6::SubKeys TRC6::ExpandKey(std::span<const std::uint8_t> key) {
    const std::size_t c = std::max<std::size_t>(1, (key.size() + 3) / 4);
    std::array<std::uint32_t, 64> L{}; // 255 bytes at most
    for (std::size_t i = 0; i < key.size() && i < 4 * L.size(); ++i)
        L[i / 4] |= std::uint32_t{key[i]} << (8 * (i % 4));

    SubKeys S{};
    S[0] = kP32;
    for (std::size_t i = 1; i < kSubKeyCount; ++i)
        S[i] = S[i - 1] + kQ32;

    std::uint32_t A = 0;
    std::uint32_t B = 0;
    const std::size_t steps = 3 * std::max(c, kSubKeyCount);
    for (std::size_t s = 0, i = 0, j = 0; s < steps; ++s) {
        A = S[i] = std::rotl(S[i] + A + B, 3);
        B = L[j] = std::rotl(L[j] + A + B, Amount(A + B));
        i = (i + 1) % kSubKeyCount;
        j = (j + 1) % c;
    }
    return S;
}

void TRC6::EncryptBlocks(const SubKeys& subKeys, std::uint8_t* data, std::size_t blockCount) {
    std::size_t i = 0;
    for (; i + kLanes <= blockCount; i += kLanes)
        EncryptLanes<kLanes>(subKeys.data(), data + 16 * i);
    for (; i < blockCount; ++i)
        EncryptLanes<1>(subKeys.data(), data + 16 * i);
}

void TRC6::DecryptBlocks(const SubKeys& subKeys, std::uint8_t* data, std::size_t blockCount) {
    std::size_t i = 0;
    for (; i + kLanes <= blockCount; i += kLanes)
        DecryptLanes<kLanes>(subKeys.data(), data + 16 * i);
    for (; i < blockCount; ++i)
        DecryptLanes<1>(subKeys.data(), data + 16 * i);
}

void TRC6::CalculateSubKeys() {
    FSubKeys = ExpandKey(KeyBuffer());
}

bool TRC6::EncipherBlock(std::uint8_t* block) {
    EncryptLanes<1>(FSubKeys.data(), block);
    return true;
}

bool TRC6::DecipherBlock(std::uint8_t* block) {
    DecryptLanes<1>(FSubKeys.data(), block);
    return true;
}

bool TRC6::EncipherData(std::uint8_t* data, std::size_t blockCount) {
    EncryptBlocks(FSubKeys, data, blockCount);
    return true;
}

bool TRC6::DecipherData(std::uint8_t* data, std::size_t blockCount) {
    DecryptBlocks(FSubKeys, data, blockCount);
    return true;
}
