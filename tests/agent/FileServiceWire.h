// Test helpers for the file service: the desktop's request fields (counted
// path, fixed path field, packed transfer), reply unpacking and a temporary
// folder holding a device root and a folder outside it.
#pragma once

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <zlib.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "common/ByteOrder.h"

namespace hd::test {

using Bytes = std::vector<uint8_t>;

inline void Append(Bytes& to, const Bytes& more) {
    to.insert(to.end(), more.begin(), more.end());
}

inline Bytes Utf16Bytes(std::u16string_view s) {
    Bytes out;
    for (char16_t c : s) out.push_back(uint8_t(c)), out.push_back(uint8_t(c >> 8));
    return out;
}

// Count byte N (terminator included), then N UTF-16LE units.
inline Bytes Counted(std::u16string_view path) {
    Bytes out{uint8_t(path.size() + 1)};
    Append(out, Utf16Bytes(path));
    out.push_back(0), out.push_back(0);
    return out;
}

// 520 bytes, zero-filled behind the string.
inline Bytes Field(std::u16string_view path) {
    Bytes out = Utf16Bytes(path);
    out.resize(520, 0);
    return out;
}

inline Bytes Packed(const Bytes& data) {
    uLongf clen = compressBound(uLong(data.size()));
    Bytes out(8 + clen);
    compress2(out.data() + 8, &clen, data.data(), uLong(data.size()), 9);
    put_be32(out.data(), uint32_t(clen));
    put_be32(out.data() + 4, uint32_t(data.size()));
    out.resize(8 + clen);
    return out;
}

// The packed transfer at offset: its unpacked bytes; false when malformed
// or when anything follows it.
inline bool Unpack(const Bytes& reply, size_t offset, Bytes& out) {
    if (reply.size() < offset + 8) return false;
    const uint32_t clen = get_be32(reply.data() + offset);
    const uint32_t ulen = get_be32(reply.data() + offset + 4);
    if (reply.size() != offset + 8 + clen) return false;
    out.assign(ulen, 0);
    uLongf got = ulen;
    return uncompress(out.data(), &got, reply.data() + offset + 8, clen) == Z_OK && got == ulen;
}

inline void WriteFile(const std::string& path, const std::string& text) {
    std::ofstream(path, std::ios::binary) << text;
}

inline std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

inline bool Exists(const std::string& path) {
    struct stat st;
    return ::lstat(path.c_str(), &st) == 0;
}

// A temporary folder with root/ (the device root) and outside/secret.txt.
class TempFolders {
public:
    TempFolders() {
        char name[] = "/tmp/hd-dm-XXXXXX";
        base = ::mkdtemp(name);
        root = base + "/root";
        outside = base + "/outside";
        std::filesystem::create_directory(root);
        std::filesystem::create_directory(outside);
        WriteFile(outside + "/secret.txt", "secret");
    }
    ~TempFolders() { std::filesystem::remove_all(base); }
    std::string base, root, outside;
};

}  // namespace hd::test
