#pragma once

#include <cstddef>
#include <ctime>
#include <string>
#include <vector>

// One file a release is made of, as its statement names it.
struct ReleaseFile {
    std::string type; // "plugin", "skin", "mo" or "manifest"
    unsigned long long size = 0;
    std::string sha256; // 64 lower-case hex digits
};

// A release's signed statement: which version it is, until when it may be offered, and the
// size and SHA-256 of each of its four files, signed with Ed25519 by a key the plug-in is built
// with. The text, lines ending in "\n" and in this order:
//
//   sorvik-release 1
//   version 1.4.0
//   expires 2027-06-30
//   plugin SIZE SHA256
//   skin SIZE SHA256
//   mo SIZE SHA256
//   manifest SIZE SHA256
//   key KEYID
//   signature SIGNATURE
//
// KEYID is the first 16 hex digits of the SHA-256 of the signer's raw 32-byte public key;
// SIGNATURE, 128 hex digits, signs every byte before the "signature" line.
class ReleaseStatement {
public:
    // Empty when 'text' is a statement of this form; otherwise why not. Checks no signature.
    static std::string Parse(const std::string& text, ReleaseStatement& statement);

    // Empty when a key of 'publicKeysPem' (PEM "PUBLIC KEY" blocks, one after another) signed
    // the statement and it has not expired at 'now'; otherwise why not.
    std::string Verify(const std::string& publicKeysPem, std::time_t now) const;

    // Empty when 'bytes' are the file of 'type' the statement names; otherwise why not.
    std::string Matches(const std::string& type, const std::string& bytes) const;

    // The file of 'type'; null when the statement names none (it names all four once parsed).
    const ReleaseFile* File(const std::string& type) const;
    const std::string& VersionText() const { return m_version; }

    // The keys the plug-in was built with.
    static const std::string& BuiltInKeys();
    static std::string Sha256Hex(const std::string& bytes);

    static constexpr size_t kMaxBytes = 64 * 1024;

private:
    std::string m_version;
    std::string m_expires; // YYYY-MM-DD, the last day it may be offered (UTC)
    std::vector<ReleaseFile> m_files;
    std::string m_keyId;
    std::string m_signature; // 64 bytes
    std::string m_signed;    // the bytes the signature covers
};
