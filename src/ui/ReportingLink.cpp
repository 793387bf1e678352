#include "ui/ReportingLink.h"

#include "res/ErrorCode.h"

namespace tavelo {

LinkResult ReportingLink::SendCommand(const char* text) {
    const LinkResult result = m_link.SendCommand(text);
    if (result == LinkResult::NotSent) {
        if (!m_feedback.IsNotReady()) {
            m_feedback.ReportError(ERR_TRANSMIT);
        }
        m_feedback.CloseRemote();
    }
    return result;
}

LinkResult ReportingLink::ReadReply(std::uint8_t (&buffer)[PACKET_SIZE]) {
    const LinkResult result = m_link.ReadReply(buffer);
    if (result == LinkResult::ReplyPipeNotOpened) {
        m_feedback.ReportError(ERR_RECEIVE);
    }
    return result;
}

LinkResult ReportingLink::WaitAck() {
    const LinkResult result = m_link.WaitAck();
    if (result == LinkResult::ReplyPipeNotOpened) {
        m_feedback.ReportError(ERR_RECEIVE);
    } else if (result == LinkResult::Refused) {
        m_feedback.ReportError(ERR_COMMUNICATE);
    }
    return result;
}

LinkResult ReportingLink::ReadImage(MemoryBlock& block, int width, int height,
                                    RowProgress* progress) {
    return m_link.ReadImage(block, width, height, progress);
}

}  // namespace tavelo
