#include "Application/store/Cryptography.h"

#include "Application/store/AuxFuncs.h"

#include <bit>

void TCryptography::Init(const std::string& name, int blockSize, const std::string& keyText,
                         int keySize) {
    FName = name;
    FBlockSize = blockSize;
    FKeySize = keySize;
    FKeyBuffer.assign(static_cast<std::size_t>(keySize), 0);
    // A fresh buffer holds no key yet, so the key text must be folded in even if it was the
    // current one before.
    FKey.clear();
    SetKey(keyText);
}

void TCryptography::SetKey(const std::string& keyText) {
    if (!keyText.empty() && keyText != FKey) {
        FKey = keyText;
        InvolveKey();
        CalculateSubKeys();
    } else {
        FKey = keyText;
    }
}

void TCryptography::InvolveKey() {
    const std::size_t keySize = FKeyBuffer.size();
    const std::size_t keyWords = keySize / 4;
    if (keyWords == 0)
        return;

    std::string extended = FKey;
    for (std::size_t next = 0; extended.size() % keySize != 0; ++next)
        extended.push_back(extended[next]);

    const auto* text = reinterpret_cast<const std::uint8_t*>(extended.data());
    for (std::size_t offset = 0, j = 0; offset + 4 <= extended.size(); offset += 4) {
        const std::uint32_t w = LoadWordLE(text + offset);
        std::uint8_t* slot = FKeyBuffer.data() + 4 * j;
        StoreWordLE(slot, std::rotl(LoadWordLE(slot), static_cast<int>(w & 31)) ^ w);
        j = (j + 1) % keyWords;
    }
}

bool TCryptography::EncipherData(std::uint8_t* data, std::size_t blockCount) {
    for (std::size_t i = 0; i < blockCount; ++i)
        if (!EncipherBlock(data + i * static_cast<std::size_t>(FBlockSize)))
            return false;
    return true;
}

bool TCryptography::DecipherData(std::uint8_t* data, std::size_t blockCount) {
    for (std::size_t i = 0; i < blockCount; ++i)
        if (!DecipherBlock(data + i * static_cast<std::size_t>(FBlockSize)))
            return false;
    return true;
}
