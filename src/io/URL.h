#pragma once

#include "core/String.h"
#include "io/Forward.h"

#include <cstdint>

namespace lang {

class URLConnection;

// An absolute address split into scheme, host, port and file (the path with
// its query). An address the parser rejects leaves the URL invalid.
class URL : public Object {
    LANG_CLASS(URL, Object);

    explicit URL(const char* spec);

    bool isValid() const { return valid; }
    const String& getProtocol() const { return protocol; }
    const String& getHost() const { return host; }
    int32_t getPort() const { return port; }
    const String& getFile() const { return file; }

    // The address rebuilt from its parts with unsafe characters escaped; an
    // empty string for an invalid URL.
    Ref<String> toExternalForm() const;
    // A new connection for this address, or null when the URL is invalid.
    Ref<URLConnection> openConnection() const;

private:
    String protocol;
    int32_t port = 0;
    String host;
    String file;
    bool valid = false;
};

} // namespace lang
