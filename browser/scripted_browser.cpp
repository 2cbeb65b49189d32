#include "scripted_browser.h"

#include <utility>

namespace waytrace {

void ScriptedBrowser::navigate(const QString& url)
{
    requests_.append({url, {}, {}, false});
}

void ScriptedBrowser::navigate(const QString& url, const QByteArray& postData,
                               const QString& headers)
{
    requests_.append({url, postData, headers, true});
}

bool ScriptedBrowser::raiseBeforeNavigate2(const QString& url, HttpMethod method,
                                           const QByteArray& body, const QString& headers,
                                           quint64 id, bool bodyUnconfirmed, bool frame)
{
    NavigationRequest request(url, method, body, headers, id, bodyUnconfirmed, frame);
    if (bodyUnconfirmed)
        owedBodies_.append(id);
    emit beforeNavigate2(request);
    return request.isCancelled();
}

void ScriptedBrowser::raiseRequestBodyConfirmed(quint64 id, const QString& url,
                                                const QByteArray& body, const QString& headers)
{
    emit requestBodyConfirmed(NavigationRequest(url, HttpMethod::Post, body, headers, id));
    owedBodies_.removeAll(id);
    if (owedBodies_.isEmpty())
        for (auto& then : std::exchange(whenConfirmed_, {}))
            then();
}

void ScriptedBrowser::whenBodiesConfirmed(std::function<void()> then)
{
    if (owedBodies_.isEmpty())
        then();
    else
        whenConfirmed_.push_back(std::move(then));
}

Browser* ScriptedBrowser::raiseNewWindow2()
{
    NewWindowRequest request;
    emit newWindow2(request);
    return request.isCancelled() ? nullptr : request.browser();
}

void ScriptedBrowser::raiseNavigateComplete2(const QString& url)
{
    locationUrl_ = url;
    emit navigateComplete2(url);
}

QList<PageMenuRequest::Command> ScriptedBrowser::raisePageMenu(const QString& selectedText,
                                                               const QString& title,
                                                               const QString& frameUrl)
{
    PageMenuRequest request(selectedText, title, frameUrl);
    emit pageMenu(request);
    return request.commands();
}

void ScriptedBrowser::raiseDocumentComplete(const QString& url)
{
    emit documentComplete(url);
}

void ScriptedBrowser::raiseDownloadComplete()
{
    emit downloadComplete();
}

void ScriptedBrowser::raiseOnQuit()
{
    emit onQuit();
}

bool ScriptedBrowser::raiseWindowClosing(bool isChildWindow)
{
    WindowClosingRequest request(isChildWindow);
    emit windowClosing(request);
    return request.isCancelled();
}

} // namespace waytrace
