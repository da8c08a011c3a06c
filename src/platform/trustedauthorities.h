#pragma once
// The certificate authorities the system trusts, in the form OpenSSL (and so libmosquitto)
// reads them: a folder of hashed certificates, or one file of PEM certificates.

#include <QByteArray>
#include <QString>

namespace platform {

struct TrustedAuthorities {
    QByteArray file;    // a PEM file of them, or empty
    QByteArray folder;  // a folder of hashed certificates, or empty
    QString origin;     // where they come from, for messages
};

// Empty `file` and `folder` (with the reason in `origin`) when the system's cannot be read.
TrustedAuthorities systemTrustedAuthorities();

}  // namespace platform
