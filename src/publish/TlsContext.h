#pragma once
// The TLS set-up of the broker connection, made here rather than by
// libmosquitto so that a failed handshake can be told by its reason:
// the library itself reports every refused certificate as "certificate
// verify failed". The broker's certificate is checked against the CA file
// (or the system's authorities) and the broker's host name or address.

#include <QString>

struct ssl_ctx_st;
struct x509_store_ctx_st;

namespace kv {

class TlsContext
{
public:
    TlsContext() = default;
    ~TlsContext();
    TlsContext(const TlsContext &) = delete;
    TlsContext &operator=(const TlsContext &) = delete;

    // False with a line for the user when a file cannot be used.
    bool setUp(const QString &caFile, const QString &certFile, const QString &keyFile, const QString &host,
               QString *error);
    // The OpenSSL context for MOSQ_OPT_SSL_CTX (libmosquitto takes a reference).
    void *handle() const { return m_ctx; }

    // Why the broker's certificate was refused in the last handshake, in
    // OpenSSL's words ("certificate has expired", "hostname mismatch"), or
    // empty when it was not.
    QString verifyError() const { return m_verifyError; }
    void clearVerifyError() { m_verifyError.clear(); }
    // The reason of the last TLS failure on this thread's OpenSSL error
    // queue, which it empties.
    static QString lastLibraryError();

private:
    static int verify(int ok, ::x509_store_ctx_st *store);

    ::ssl_ctx_st *m_ctx = nullptr;
    QString m_verifyError;
};

} // namespace kv
