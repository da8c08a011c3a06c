#include "trustedauthorities.h"

namespace platform {

// ca-certificates keeps them hashed in /etc/ssl/certs.
TrustedAuthorities systemTrustedAuthorities() {
    return {QByteArray(), QByteArrayLiteral("/etc/ssl/certs"), QStringLiteral("/etc/ssl/certs")};
}

}  // namespace platform
