#pragma once

#include "picture/RawPicture.h"
#include "ui/CLead.h"

namespace tavelo {

// The imaging control as the end of the raw road: automatic repaint off and the old picture
// released before the load, as a capture does; the caller turns repaint back on once the
// picture is fitted.
class LeadTarget : public RawPictureTarget {
public:
    explicit LeadTarget(CLead& lead) : m_lead(lead) {}
    std::int16_t Load(const MemoryBlock& bitmap) override {
        m_lead.SetAutoRedraw(false);
        m_lead.SetPictureHandle(0);
        return m_lead.LoadMemory(bitmap, 0, 0, static_cast<long>(bitmap.Size()));
    }
    std::int16_t Resize(int width, int height, short flags) override {
        return m_lead.Resize(static_cast<float>(width), static_cast<float>(height), flags);
    }
    std::int16_t Sharpen(int amount) override { return m_lead.Sharpen(static_cast<short>(amount)); }

private:
    CLead& m_lead;
};

}  // namespace tavelo
