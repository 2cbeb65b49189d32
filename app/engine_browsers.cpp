#include "engine_browsers.h"

#include "network/upload_channel.h"
#include "webengine/webengine_browser.h"
#include "webengine/webengine_session.h"

#include <utility>

namespace waytrace {

BrowserFactory engineBrowsers(std::shared_ptr<WebEngineSession> session)
{
    auto accepted = session->acceptedCertificates();
    return {
        [session = std::move(session)](QObject* owner) -> Browser* {
            return new WebEngineBrowser(session, owner);
        },
        [](QObject* owner) { return new UploadChannel(owner); },
        std::move(accepted),
    };
}

} // namespace waytrace
