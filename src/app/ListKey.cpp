#include "app/ListKey.h"

#include "update/ListTrust.h"

void InstallBuiltInListKey() {
    const std::string pem = BuiltInListPublicKey();
    if (pem.empty()) return;
    try {
        SetListPublicKey(P256PointFromPem(pem));
    } catch (const ListTrustError&) {
        SetListPublicKey("unreadable key");
    }
}
