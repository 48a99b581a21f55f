#pragma once

#include <QByteArray>
#include <cstdint>

// Receives the result of an asynchronous URL fetch, on the main thread.
class URLImageRetrievalDelegate {
public:
    virtual ~URLImageRetrievalDelegate() = default;
    // The fetched bytes, null when the fetch failed; `tag` is the one the fetch was
    // started with.
    virtual void imageRetrievedDataTag(const QByteArray& data, int32_t tag) = 0;
    // Whether both tell the same receiver; the retriever merges equal requests
    // by it. A delegate that stands in for another object compares that object.
    virtual bool isEqualToDelegate(const URLImageRetrievalDelegate& other) const {
        return this == &other;
    }
};
