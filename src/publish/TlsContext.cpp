#include "publish/TlsContext.h"

#include <QHostAddress>

#include <openssl/err.h>
#include <openssl/ssl.h>
#include <openssl/x509v3.h>

namespace kv {

namespace {
QString sslFailure(const QString &what)
{
    const QString why = TlsContext::lastLibraryError();
    return why.isEmpty() ? what : QStringLiteral("%1: %2").arg(what, why);
}
} // namespace

TlsContext::~TlsContext()
{
    if (m_ctx)
        SSL_CTX_free(m_ctx);
}

QString TlsContext::lastLibraryError()
{
    unsigned long last = 0;
    while (const unsigned long e = ERR_get_error())
        last = e;
    if (!last)
        return QString();
    const char *reason = ERR_reason_error_string(last);
    return reason ? QString::fromUtf8(reason) : QString();
}

int TlsContext::verify(int ok, X509_STORE_CTX *store)
{
    if (!ok) {
        SSL *ssl = static_cast<SSL *>(X509_STORE_CTX_get_ex_data(store, SSL_get_ex_data_X509_STORE_CTX_idx()));
        auto *self = ssl ? static_cast<TlsContext *>(SSL_CTX_get_app_data(SSL_get_SSL_CTX(ssl))) : nullptr;
        // The first reason is the one that counts; the chain's later
        // complaints follow from it.
        if (self && self->m_verifyError.isEmpty())
            self->m_verifyError = QString::fromUtf8(X509_verify_cert_error_string(X509_STORE_CTX_get_error(store)));
    }
    return ok;
}

bool TlsContext::setUp(const QString &caFile, const QString &certFile, const QString &keyFile, const QString &host,
                       QString *error)
{
    const auto fail = [&](const QString &why) {
        if (error)
            *error = why;
        return false;
    };
    ERR_clear_error();
    m_ctx = SSL_CTX_new(TLS_client_method());
    if (!m_ctx)
        return fail(sslFailure(QStringLiteral("TLS cannot be set up")));
    SSL_CTX_set_app_data(m_ctx, this);
    SSL_CTX_set_min_proto_version(m_ctx, TLS1_2_VERSION);
    if (caFile.isEmpty()) {
        if (SSL_CTX_set_default_verify_paths(m_ctx) != 1)
            return fail(sslFailure(QStringLiteral("the system's certificate authorities cannot be read")));
    } else if (SSL_CTX_load_verify_locations(m_ctx, caFile.toLocal8Bit().constData(), nullptr) != 1) {
        return fail(sslFailure(QStringLiteral("the CA file %1 cannot be used").arg(caFile)));
    }
    if (!certFile.isEmpty()) {
        if (SSL_CTX_use_certificate_chain_file(m_ctx, certFile.toLocal8Bit().constData()) != 1)
            return fail(sslFailure(QStringLiteral("the certificate file %1 cannot be used").arg(certFile)));
        if (SSL_CTX_use_PrivateKey_file(m_ctx, keyFile.toLocal8Bit().constData(), SSL_FILETYPE_PEM) != 1)
            return fail(sslFailure(QStringLiteral("the key file %1 cannot be used").arg(keyFile)));
        if (SSL_CTX_check_private_key(m_ctx) != 1)
            return fail(QStringLiteral("the key file %1 does not belong to the certificate %2").arg(keyFile, certFile));
    }
    // The broker is who its certificate names: its host name, or the
    // address it was given by.
    X509_VERIFY_PARAM *param = SSL_CTX_get0_param(m_ctx);
    const QByteArray name = host.toUtf8();
    const bool set = QHostAddress(host).isNull() ? X509_VERIFY_PARAM_set1_host(param, name.constData(), 0) == 1
                                                 : X509_VERIFY_PARAM_set1_ip_asc(param, name.constData()) == 1;
    if (!set)
        return fail(QStringLiteral("the broker's name %1 cannot be checked").arg(host));
    SSL_CTX_set_verify(m_ctx, SSL_VERIFY_PEER, &TlsContext::verify);
    return true;
}

} // namespace kv
