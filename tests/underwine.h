#pragma once
// Whether a Windows test runs under Wine, where a few desktop behaviours differ from Windows'.

#include <QLibrary>

inline bool underWine() {
    return QLibrary::resolve(QStringLiteral("ntdll"), "wine_get_version") != nullptr;
}
