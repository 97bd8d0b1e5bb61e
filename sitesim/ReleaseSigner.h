#pragma once

#include <map>
#include <memory>
#include <string>

namespace sitesim {

// Signs release statements as a release manager's tool does (Ed25519 through OpenSSL), for
// the update the simulated site offers.
class ReleaseSigner {
public:
    ReleaseSigner();
    ~ReleaseSigner();
    ReleaseSigner(const ReleaseSigner&) = delete;
    ReleaseSigner& operator=(const ReleaseSigner&) = delete;

    // A PEM private key; false when the file holds none.
    bool LoadKey(const std::string& path);
    // A key of its own, which no build trusts.
    void MakeKey();
    bool HasKey() const { return m_key != nullptr; }

    // The statement of 'version', offered until 'expires' (YYYY-MM-DD), for the files by type
    // ("plugin", "skin", "mo", "manifest"; one missing is described as empty). Empty without a key.
    std::string Sign(const std::string& version, const std::string& expires,
                     const std::map<std::string, std::string>& files) const;

    // The date 'days' from today (UTC), negative for the past.
    static std::string DateFromToday(int days);

private:
    struct Key;
    std::unique_ptr<Key> m_key;
};

} // namespace sitesim
