#pragma once

#include "browser.h"

#include <QList>

#include <vector>

namespace waytrace {

// A browser for tests and tools: it raises the events it is told to raise and remembers what
// was asked of it. Nothing is loaded.
class ScriptedBrowser : public Browser
{
    Q_OBJECT

public:
    struct Request
    {
        QString url;
        QByteArray postData;
        QString headers;
        bool withBody = false; // the five-argument navigate
    };

    using Browser::Browser;

    void navigate(const QString& url) override;
    void navigate(const QString& url, const QByteArray& postData, const QString& headers) override;
    void run(Command command) override { commands_.append(command); }

    [[nodiscard]] QString locationUrl() const override { return locationUrl_; }
    [[nodiscard]] int width() const override { return width_; }
    [[nodiscard]] int height() const override { return height_; }
    void setWidth(int twips) override { width_ = twips; }
    void setHeight(int twips) override { height_ = twips; }
    // Waits for the words owed on requests raised with bodies unconfirmed.
    void whenBodiesConfirmed(std::function<void()> then) override;

    [[nodiscard]] const QList<Request>& requests() const { return requests_; }
    [[nodiscard]] const QList<Command>& commands() const { return commands_; }

    // Each returns what the handlers answered.
    bool raiseBeforeNavigate2(const QString& url, HttpMethod method = HttpMethod::Get,
                              const QByteArray& body = {}, const QString& headers = {},
                              quint64 id = 0, bool bodyUnconfirmed = false, bool frame = false);
    void raiseRequestBodyConfirmed(quint64 id, const QString& url, const QByteArray& body,
                                   const QString& headers);
    Browser* raiseNewWindow2();
    void raiseNavigateComplete2(const QString& url);
    void raiseDocumentComplete(const QString& url);
    void raiseDownloadComplete();
    void raiseOnQuit();
    bool raiseWindowClosing(bool isChildWindow = false);
    // The commands the handlers offered.
    QList<PageMenuRequest::Command> raisePageMenu(const QString& selectedText, const QString& title,
                                                  const QString& frameUrl = {});

private:
    QList<Request> requests_;
    QList<Command> commands_;
    QList<quint64> owedBodies_; // ids raised unconfirmed, not confirmed since
    std::vector<std::function<void()>> whenConfirmed_;
    QString locationUrl_;
    int width_ = 0;
    int height_ = 0;
};

} // namespace waytrace
