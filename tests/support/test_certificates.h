// Certificates made for tests at run time: a test certificate authority, and server
// certificates signed by it (or by themselves) for a given name and validity. Nothing is read
// from or written to the system's trust store; a test that wants the authority trusted points
// SSL_CERT_FILE at authorityFile() before the first secure connection of the process.
#pragma once

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

namespace test_support {

struct ServerIdentity {
    std::string certificatePem;
    std::string keyPem;
};

class TestCertificates {
public:
    // The process-wide set; the authority is made on first use and written to a temporary file.
    static TestCertificates& instance();

    const std::string& authorityFile() const { return m_authorityFile; }
    // A certificate for `name` (a DNS name, or an IP address) signed by the authority, valid
    // from `fromDays` to `toDays` days from now; self-signed when `selfSigned` is set.
    ServerIdentity issue(const std::string& name, int fromDays = -1, int toDays = 30,
                         bool selfSigned = false);

private:
    TestCertificates();
    void* m_authorityKey = nullptr;
    void* m_authorityCert = nullptr;
    std::string m_authorityFile;
};

// Trusts the test authority for the whole test program, before its first secure connection:
// register once per program with ::testing::AddGlobalTestEnvironment(new TrustTestAuthority).
class TrustTestAuthority : public ::testing::Environment {
public:
    void SetUp() override {
        setenv("SSL_CERT_FILE", TestCertificates::instance().authorityFile().c_str(), 1);
    }
};

} // namespace test_support
