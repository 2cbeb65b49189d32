#pragma once

#include "core/http_method.h"

#include <QByteArray>
#include <QList>
#include <QString>

#include <functional>
#include <utility>

namespace waytrace {

class Browser;

// An event the browser waits on: every handler sees it in turn and may stop what it announces.
class CancellableRequest
{
public:
    void cancel() { cancelled_ = true; }
    [[nodiscard]] bool isCancelled() const { return cancelled_; }

private:
    bool cancelled_ = false;
};

// A request of the top page or a frame, before it goes out: its method, the bytes of its body
// as sent (none for a GET; a POST's may be empty too) and the extra header text.
class NavigationRequest : public CancellableRequest
{
public:
    // `id` names a request whose body the browser may still confirm (requestBodyConfirmed);
    // 0 for one it never will. `bodyUnconfirmed`: the body is what the page reported of it, not
    // what the browser said it sent. `frame`: a frame's request, not the top page's.
    NavigationRequest(QString url, HttpMethod method, QByteArray body, QString headers,
                      quint64 id = 0, bool bodyUnconfirmed = false, bool frame = false)
        : url_(std::move(url)), method_(method), body_(std::move(body)),
          headers_(std::move(headers)), id_(id), bodyUnconfirmed_(bodyUnconfirmed), frame_(frame)
    {
    }

    [[nodiscard]] const QString& url() const { return url_; }
    [[nodiscard]] HttpMethod method() const { return method_; }
    [[nodiscard]] bool isPost() const { return method_ == HttpMethod::Post; }
    [[nodiscard]] const QByteArray& body() const { return body_; }
    [[nodiscard]] const QString& headers() const { return headers_; }
    [[nodiscard]] quint64 id() const { return id_; }
    [[nodiscard]] bool bodyUnconfirmed() const { return bodyUnconfirmed_; }
    [[nodiscard]] bool isFrame() const { return frame_; }

private:
    QString url_;
    HttpMethod method_ = HttpMethod::Get;
    QByteArray body_;
    QString headers_;
    quint64 id_ = 0;
    bool bodyUnconfirmed_ = false;
    bool frame_ = false;
};

// A page asks for a new window; a handler names the browser that shows it. Without one, or
// when cancelled, no window opens.
class NewWindowRequest : public CancellableRequest
{
public:
    void showIn(Browser* browser) { browser_ = browser; }
    [[nodiscard]] Browser* browser() const { return browser_; }

private:
    Browser* browser_ = nullptr;
};

// The page's context menu is about to show: handlers offer commands about the page and the
// text selected in it, which the browser adds to the menu.
class PageMenuRequest
{
public:
    struct Command
    {
        QString text;
        std::function<void()> run;
    };

    // `selectedText` as the page shows it; `title` the page's; `frameUrl` the address of the
    // frame the selection is in, empty for the top page.
    PageMenuRequest(QString selectedText, QString title, QString frameUrl = {})
        : selectedText_(std::move(selectedText)), title_(std::move(title)),
          frameUrl_(std::move(frameUrl))
    {
    }

    [[nodiscard]] const QString& selectedText() const { return selectedText_; }
    [[nodiscard]] const QString& title() const { return title_; }
    [[nodiscard]] const QString& frameUrl() const { return frameUrl_; }
    void offer(QString text, std::function<void()> run)
    {
        commands_.append({std::move(text), std::move(run)});
    }
    [[nodiscard]] const QList<Command>& commands() const { return commands_; }

private:
    QString selectedText_;
    QString title_;
    QString frameUrl_;
    QList<Command> commands_;
};

// A page closes its window; cancelling keeps the browser.
class WindowClosingRequest : public CancellableRequest
{
public:
    explicit WindowClosingRequest(bool childWindow) : childWindow_(childWindow) {}

    // Whether the window was opened by a page as a new window.
    [[nodiscard]] bool isChildWindow() const { return childWindow_; }

private:
    bool childWindow_;
};

} // namespace waytrace
