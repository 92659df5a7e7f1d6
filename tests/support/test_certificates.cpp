#include "test_certificates.h"

#include <openssl/evp.h>
#include <openssl/pem.h>
#include <openssl/x509v3.h>

#include <arpa/inet.h>
#include <cstdio>
#include <cstdlib>
#include <unistd.h>

namespace test_support {

namespace {

EVP_PKEY* newKey() {
    return EVP_EC_gen("P-256");
}

void addExtension(X509* cert, X509* issuer, int nid, const char* value) {
    X509V3_CTX ctx;
    X509V3_set_ctx_nodb(&ctx);
    X509V3_set_ctx(&ctx, issuer, cert, nullptr, nullptr, 0);
    X509_EXTENSION* ext = X509V3_EXT_conf_nid(nullptr, &ctx, nid, value);
    if (ext != nullptr) {
        X509_add_ext(cert, ext, -1);
        X509_EXTENSION_free(ext);
    }
}

X509* newCertificate(EVP_PKEY* key, const std::string& commonName, int fromDays, int toDays, long serial) {
    X509* cert = X509_new();
    X509_set_version(cert, 2);
    ASN1_INTEGER_set(X509_get_serialNumber(cert), serial);
    X509_gmtime_adj(X509_getm_notBefore(cert), static_cast<long>(fromDays) * 86400);
    X509_gmtime_adj(X509_getm_notAfter(cert), static_cast<long>(toDays) * 86400);
    X509_set_pubkey(cert, key);
    X509_NAME* name = X509_get_subject_name(cert);
    X509_NAME_add_entry_by_txt(name, "CN", MBSTRING_ASC,
                               reinterpret_cast<const unsigned char*>(commonName.c_str()), -1, -1, 0);
    return cert;
}

// The PEM text `write` puts into a memory BIO.
template <typename Write> std::string pemText(Write write) {
    BIO* bio = BIO_new(BIO_s_mem());
    write(bio);
    char* data = nullptr;
    long n = BIO_get_mem_data(bio, &data);
    std::string pem(data, static_cast<size_t>(n));
    BIO_free(bio);
    return pem;
}

std::string pemOf(X509* cert) {
    return pemText([cert](BIO* bio) { PEM_write_bio_X509(bio, cert); });
}

std::string pemOf(EVP_PKEY* key) {
    return pemText(
        [key](BIO* bio) { PEM_write_bio_PrivateKey(bio, key, nullptr, nullptr, 0, nullptr, nullptr); });
}

bool isIp(const std::string& name) {
    in_addr a{};
    return inet_pton(AF_INET, name.c_str(), &a) == 1;
}

} // namespace

TestCertificates& TestCertificates::instance() {
    static TestCertificates certificates;
    return certificates;
}

TestCertificates::TestCertificates() {
    EVP_PKEY* key = newKey();
    X509* cert = newCertificate(key, "Dunmere Test Authority", -1, 365, 1);
    X509_set_issuer_name(cert, X509_get_subject_name(cert));
    addExtension(cert, cert, NID_basic_constraints, "critical,CA:TRUE");
    addExtension(cert, cert, NID_key_usage, "critical,keyCertSign,cRLSign");
    addExtension(cert, cert, NID_subject_key_identifier, "hash");
    X509_sign(cert, key, EVP_sha256());
    m_authorityKey = key;
    m_authorityCert = cert;

    char path[] = "/tmp/dunmere-test-ca-XXXXXX";
    int fd = ::mkstemp(path);
    std::string pem = pemOf(cert);
    if (fd >= 0) {
        ssize_t written = ::write(fd, pem.data(), pem.size());
        (void)written;
        ::close(fd);
        m_authorityFile = path;
    }
}

ServerIdentity TestCertificates::issue(const std::string& name, int fromDays, int toDays, bool selfSigned) {
    static long serial = 100;
    EVP_PKEY* key = newKey();
    X509* cert = newCertificate(key, name, fromDays, toDays, ++serial);
    auto* authority = static_cast<X509*>(m_authorityCert);
    X509* issuer = selfSigned ? cert : authority;
    X509_set_issuer_name(cert, X509_get_subject_name(issuer));
    addExtension(cert, issuer, NID_basic_constraints, "critical,CA:FALSE");
    addExtension(cert, issuer, NID_ext_key_usage, "serverAuth");
    addExtension(cert, issuer, NID_subject_alt_name, ((isIp(name) ? "IP:" : "DNS:") + name).c_str());
    X509_sign(cert, selfSigned ? key : static_cast<EVP_PKEY*>(m_authorityKey), EVP_sha256());
    ServerIdentity identity{pemOf(cert), pemOf(key)};
    X509_free(cert);
    EVP_PKEY_free(key);
    return identity;
}

} // namespace test_support
