// The plain SHA-256 functions, not the EVP interface: EVP keeps per-thread state that a
// download thread may still hold when the process ends, while these keep everything in the
// object itself.
#define OPENSSL_SUPPRESS_DEPRECATED
#include "Sha256.h"

#include <openssl/sha.h>

#include "HexText.h"

Sha256::Sha256() : m_state(std::make_unique<SHA256state_st>()) { SHA256_Init(m_state.get()); }

Sha256::~Sha256() = default;

void Sha256::Update(const void* data, std::size_t length) { SHA256_Update(m_state.get(), data, length); }

std::string Sha256::FinalHex()
{
    unsigned char digest[SHA256_DIGEST_LENGTH];
    SHA256_Final(digest, m_state.get());
    return HexText(std::string_view(reinterpret_cast<const char*>(digest), sizeof digest));
}

std::string Sha256::Of(std::string_view bytes)
{
    Sha256 hash;
    hash.Update(bytes.data(), bytes.size());
    return hash.FinalHex();
}
