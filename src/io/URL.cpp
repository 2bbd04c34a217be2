#include "io/URL.h"

#include "io/URLConnection.h"
#include "platform/Http.h"

namespace lang {

URL::URL(const char* spec) {
    platform::UrlParts parts;
    if (!platform::parseUrl(spec, parts))
        return;
    protocol.assign(parts.scheme.c_str());
    host.assign(parts.host.c_str());
    port = parts.port;
    file.assign(parts.file.c_str());
    valid = true;
}

Ref<String> URL::toExternalForm() const {
    if (!valid)
        return adopt(new String());
    platform::UrlParts parts{protocol.getChars(), host.getChars(), port, file.getChars()};
    return adopt(new String(platform::buildUrl(parts).c_str()));
}

Ref<URLConnection> URL::openConnection() const {
    if (!valid)
        return nullptr;
    return adopt(new URLConnection(*this));
}

} // namespace lang
