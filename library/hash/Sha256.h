// Incremental SHA-256 of a byte stream, given out as lower-case hex.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

struct evp_md_ctx_st;

class Sha256 {
public:
    Sha256();
    ~Sha256();
    Sha256(const Sha256&) = delete;
    Sha256& operator=(const Sha256&) = delete;

    void Update(const void* data, std::size_t length);
    // Ends the stream; the object must not be updated afterwards.
    std::string FinalHex();

    static std::string Of(std::string_view bytes);

private:
    evp_md_ctx_st* m_context;
};
