#pragma once

#include <QUrl>

// The desktop's "open" for an address: a folder in the file manager, a mailto: address in the
// mail program, a web address in the browser. Whether it worked is not reported.
class IUrlOpener {
public:
    virtual ~IUrlOpener() = default;
    virtual void OpenUrl(const QUrl& url) = 0;
};
