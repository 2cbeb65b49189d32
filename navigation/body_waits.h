#pragma once

#include <chrono>

// Every wait the recording makes for what tells a request's body, and how long what came stays
// meaningful. Each bounds a wait that in practice ends far sooner: none decides what is
// recorded, only when a stand-in goes instead (and is marked, or corrected later).
namespace waytrace::waits {

// A page's report of a form's entries reached the application before the request in every case
// measured, up to a 1 MB body: a POST waits this long for it, then goes with an empty body.
inline constexpr std::chrono::milliseconds kPageReport{400};

// Before Qt 6.7, the engine's own word on a body is sure to come, later when the engine is busy
// (a big upload beside it): a POST waits this long, then goes with the page's report, which the
// word corrects when it comes.
inline constexpr std::chrono::seconds kEngineWord{2};

// A body no request claimed (a FormData a script built for its own upload), or a request still
// waiting for the engine's word, is forgotten after this.
inline constexpr std::chrono::seconds kUnclaimed{10};

// A repeat of a body already raised (the engine's word on the application's own request, a
// page's report of a body the engine told) comes within this, or it is another request's.
inline constexpr std::chrono::seconds kEcho{2};

// Before Qt 6.7, a browser's first load waits at most this long for its inspector to listen
// (about 100 ms on a warm engine, a few hundred on a cold one).
inline constexpr std::chrono::seconds kInspectorListening{5};

// A page is described from the text of its document as the server sent it, which the engine
// tells a moment after the document arrived, usually before the page has finished loading:
// the description waits this long for it, then reads the page as it shows.
inline constexpr std::chrono::seconds kDocumentText{1};

} // namespace waytrace::waits
