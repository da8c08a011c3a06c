// The authorities of the Windows certificate store ("Trusted Root Certification Authorities"
// of the user and the machine), written as one PEM file in the user's temporary folder for
// OpenSSL, afresh on each call so a certificate added since counts.

#include <windows.h>
// After windows.h.
#include <wincrypt.h>

#include <QCoreApplication>
#include <QDir>
#include <QSaveFile>

#include "trustedauthorities.h"

namespace platform {

TrustedAuthorities systemTrustedAuthorities() {
    TrustedAuthorities out;
    out.origin = QStringLiteral("the Windows certificate store");
    const HCERTSTORE store = ::CertOpenSystemStoreW(0, L"ROOT");
    if (!store) return out;
    QByteArray pem;
    for (PCCERT_CONTEXT cert = ::CertEnumCertificatesInStore(store, nullptr); cert;
         cert = ::CertEnumCertificatesInStore(store, cert)) {
        const QByteArray der(reinterpret_cast<const char*>(cert->pbCertEncoded),
                             qsizetype(cert->cbCertEncoded));
        const QByteArray base64 = der.toBase64();
        pem += "-----BEGIN CERTIFICATE-----\n";
        for (qsizetype i = 0; i < base64.size(); i += 64) pem += base64.mid(i, 64) + '\n';
        pem += "-----END CERTIFICATE-----\n";
    }
    ::CertCloseStore(store, 0);
    if (pem.isEmpty()) return out;
    const QString path = QDir::temp().filePath(
        QStringLiteral("leakmeter-authorities-%1.pem").arg(QCoreApplication::applicationPid()));
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(pem) != pem.size() || !file.commit())
        return out;
    out.file = QFile::encodeName(path);
    return out;
}

}  // namespace platform
