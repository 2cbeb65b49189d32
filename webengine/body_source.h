#pragma once

#include <QString>

#include <functional>

namespace waytrace {

// What the engine tells of a browser's bodies apart from its pages: the documents its top frame
// loads as the server sent them, and where the engine hands the interceptor no request bodies
// (before Qt 6.7) those of its requests (InspectorBodies).
class BodySource
{
public:
    virtual ~BodySource() = default;

    // Whether this browser's bodies are told now.
    [[nodiscard]] virtual bool listening() const = 0;
    // Runs `load` once this browser's bodies are told, or at once where they never will be.
    // Only the newest load waits, as when someone types a second address before the first
    // page came.
    virtual void whenListening(std::function<void()> load) = 0;
    // The browser's page took over a new window's contents: tell those from now on.
    virtual void follow() = 0;

    // Each document of the top frame, where its load landed and its text as the server sent it
    // (decoded, its start only); no text: the engine could not tell it (too long, not text).
    using Document = std::function<void(const QString& url, const QString& text, bool told)>;
    virtual void tellDocuments(Document told) = 0;
};

} // namespace waytrace
