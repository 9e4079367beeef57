#include "Sha256.h"

#include <openssl/evp.h>
#include <stdexcept>

#include "HexText.h"

Sha256::Sha256() : m_context(EVP_MD_CTX_new())
{
    if (!m_context || EVP_DigestInit_ex(m_context, EVP_sha256(), nullptr) != 1) {
        EVP_MD_CTX_free(m_context);
        throw std::runtime_error("SHA-256 is not available");
    }
}

Sha256::~Sha256()
{
    EVP_MD_CTX_free(m_context);
}

void Sha256::Update(const void* data, std::size_t length)
{
    EVP_DigestUpdate(m_context, data, length);
}

std::string Sha256::FinalHex()
{
    unsigned char digest[EVP_MAX_MD_SIZE];
    unsigned int length = 0;
    EVP_DigestFinal_ex(m_context, digest, &length);
    return HexText(std::string_view(reinterpret_cast<const char*>(digest), length));
}

std::string Sha256::Of(std::string_view bytes)
{
    Sha256 hash;
    hash.Update(bytes.data(), bytes.size());
    return hash.FinalHex();
}
