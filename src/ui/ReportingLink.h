#pragma once

#include "device/CameraLink.h"

namespace tavelo {

// What the link's messages depend on: the frame's error box, the view's m_bNotReady and the
// view's remote control panel.
class LinkFeedback {
public:
    virtual int ReportError(int code) = 0;
    virtual bool IsNotReady() const = 0;
    virtual void CloseRemote() = 0;

protected:
    ~LinkFeedback() = default;
};

// The link as the windows use it: each transfer is passed on, and its failure becomes the
// message the user knows from it, at the point it happens. A command that cannot be sent
// says "USB:Failed to transmit." (not once the camera is known to be gone) and closes the
// panel either way; a reply pipe that cannot be opened says "USB:Failed to receive." every
// time; a NAK says "USB:Failed to communicate."; the picture transfer says nothing, its
// caller reports it once.
class ReportingLink final : public CameraLink {
public:
    ReportingLink(CameraLink& link, LinkFeedback& feedback) : m_link(link), m_feedback(feedback) {}

    LinkResult SendCommand(const char* text) override;
    LinkResult ReadReply(std::uint8_t (&buffer)[PACKET_SIZE]) override;
    LinkResult WaitAck() override;
    LinkResult ReadImage(MemoryBlock& block, int width, int height, RowProgress* progress) override;

private:
    CameraLink& m_link;
    LinkFeedback& m_feedback;
};

}  // namespace tavelo
