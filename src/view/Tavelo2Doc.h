#pragma once

namespace tavelo {

// The document of the single-document window. The picture lives in the view, so the
// document holds nothing, is never modified and never asks to be saved.
class CTavelo2Doc {
public:
    CTavelo2Doc() = default;
    virtual ~CTavelo2Doc() = default;

    virtual bool OnNewDocument();
    bool IsModified() const { return false; }
};

}  // namespace tavelo
