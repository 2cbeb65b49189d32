#pragma once

// How a request is sent, as far as a recording tells them apart: the one method type of the
// record, the browsers' requests and the streams (the document writes it as "G" or "P"). Plain
// C++, for the rooms that reach this header alone.

namespace waytrace {

enum class HttpMethod
{
    Get,
    Post
};

} // namespace waytrace
