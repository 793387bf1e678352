#include "picture/JpegCodec.h"

#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <csetjmp>
#include <cstdio>
#include <memory>
#include <vector>

// The C headers of the decoder need the size types declared first.
#include <jerror.h>
#include <jpeglib.h>

#include "picture/ImageLimits.h"
#include "picture/PictureResult.h"

namespace tavelo {

namespace {

constexpr std::size_t kReadChunk = 64 * 1024;
// Besides the picture's own bytes: Huffman and quantization tables, row buffers.
constexpr std::int64_t kWorkingSlack = std::int64_t{16} << 20;

// Everything the decoder's callbacks reach, on the heap: a jump out of the decoder leaves
// no object of this function half-made.
struct Decoder {
    jpeg_decompress_struct info{};
    jpeg_error_mgr errors{};
    jpeg_source_mgr source{};
    jpeg_progress_mgr progress{};
    std::jmp_buf jump{};
    int fd = -1;
    bool headerRead = false;
    std::int64_t pictureBlocks = 0;  // of every channel
    std::int64_t blocksRead = 0;     // by the scans so far
    bool readingScans = false;       // not yet making rows of pixels
    std::int16_t code = PIC_MALFORMED;
    JOCTET buffer[kReadChunk];
    QImage image;
    std::vector<JSAMPLE> row;
};

Decoder& Of(j_common_ptr info) {
    return *static_cast<Decoder*>(info->client_data);
}

[[noreturn]] void Fail(Decoder& d, std::int16_t code) {
    d.code = code;
    std::longjmp(d.jump, 1);
}

void OnError(j_common_ptr info) {
    switch (info->err->msg_code) {
        case JERR_NO_BACKING_STORE:  // more working memory than the picture may take
            Fail(Of(info), PIC_TOO_LARGE);
        case JERR_OUT_OF_MEMORY:
            Fail(Of(info), PIC_NO_MEMORY);
        default:
            Fail(Of(info), PIC_MALFORMED);
    }
}

// Warnings that mean pixels were made up end the load: the data ran out, or was corrupt.
void OnMessage(j_common_ptr info, int level) {
    if (level >= 0) {
        return;
    }
    Decoder& d = Of(info);
    switch (info->err->msg_code) {
        case JWRN_JPEG_EOF:
        case JWRN_HIT_MARKER:
            Fail(d, d.headerRead ? PIC_TRUNCATED : PIC_MALFORMED);
        case JWRN_HUFF_BAD_CODE:
        case JWRN_MUST_RESYNC:
            Fail(d, PIC_MALFORMED);
        default:
            break;
    }
}

// Called before each row of blocks of a scan is read into the picture's coefficients: a
// file of many scans, each cheap to store and costly to decode, is stopped at the bounds.
void OnProgress(j_common_ptr common) {
    const auto* info = reinterpret_cast<j_decompress_ptr>(common);
    Decoder& d = Of(common);
    if (!d.readingScans) {
        return;
    }
    for (int i = 0; i < info->comps_in_scan; ++i) {
        const jpeg_component_info* c = info->cur_comp_info[i];
        d.blocksRead += std::int64_t{c->width_in_blocks} * c->v_samp_factor;
    }
    if (info->input_scan_number > kMaxJpegScans ||
        d.blocksRead > kMaxJpegPasses * d.pictureBlocks) {
        Fail(d, PIC_TOO_LARGE);
    }
}

void InitSource(j_decompress_ptr) {}
void TermSource(j_decompress_ptr) {}

boolean FillInput(j_decompress_ptr info) {
    Decoder& d = Of(reinterpret_cast<j_common_ptr>(info));
    ssize_t n = 0;
    do {
        n = read(d.fd, d.buffer, sizeof d.buffer);
    } while (n < 0 && errno == EINTR);
    if (n <= 0) {
        WARNMS(info, JWRN_JPEG_EOF);  // does not come back
        Fail(d, PIC_TRUNCATED);
    }
    d.source.next_input_byte = d.buffer;
    d.source.bytes_in_buffer = static_cast<std::size_t>(n);
    return TRUE;
}

void SkipInput(j_decompress_ptr info, long count) {
    while (count > 0) {
        jpeg_source_mgr& source = *info->src;
        if (source.bytes_in_buffer == 0) {
            FillInput(info);
        }
        const std::size_t step = std::min(source.bytes_in_buffer, static_cast<std::size_t>(count));
        source.next_input_byte += step;
        source.bytes_in_buffer -= step;
        count -= static_cast<long>(step);
    }
}

// Adobe's CMYK, stored inverted, as the platform's own reader takes it.
void CmykToRgb(const JSAMPLE* cmyk, std::uint8_t* rgb, int width) {
    for (int x = 0; x < width; ++x, cmyk += 4, rgb += 3) {
        const int k = cmyk[3];
        rgb[0] = static_cast<std::uint8_t>(k * cmyk[0] / 255);
        rgb[1] = static_cast<std::uint8_t>(k * cmyk[1] / 255);
        rgb[2] = static_cast<std::uint8_t>(k * cmyk[2] / 255);
    }
}

void Decode(Decoder& d, bool rgb) {
    jpeg_decompress_struct& info = d.info;
    if (jpeg_read_header(&info, TRUE) != JPEG_HEADER_OK) {
        Fail(d, PIC_MALFORMED);
    }
    d.headerRead = true;
    const int width = static_cast<int>(info.image_width);
    const int height = static_cast<int>(info.image_height);
    if (!PictureSizeAllowed(info.image_width, info.image_height)) {
        Fail(d, PIC_TOO_LARGE);
    }
    const bool grey = info.jpeg_color_space == JCS_GRAYSCALE && !rgb;
    const bool cmyk = info.jpeg_color_space == JCS_CMYK || info.jpeg_color_space == JCS_YCCK;
    if (info.num_components != 1 && info.num_components != 3 && !cmyk) {
        Fail(d, PIC_UNSUPPORTED);
    }
    info.out_color_space = grey ? JCS_GRAYSCALE : cmyk ? JCS_CMYK : JCS_RGB;
    // A multi-scan picture keeps all its coefficients until the end: two bytes a sample,
    // which for three full-size channels is twice the decoded picture. More is refused.
    const std::int64_t decoded = std::int64_t{width} * height * (grey ? 1 : 3);
    info.mem->max_memory_to_use = static_cast<long>(2 * decoded + kWorkingSlack);
    for (int i = 0; i < info.num_components; ++i) {
        const jpeg_component_info& c = info.comp_info[i];
        d.pictureBlocks += std::int64_t{c.width_in_blocks} * c.height_in_blocks;
    }
    d.readingScans = true;  // a picture of several scans is read whole here
    jpeg_start_decompress(&info);
    d.readingScans = false;
    d.image = QImage(width, height, grey ? QImage::Format_Indexed8 : QImage::Format_RGB888);
    if (d.image.isNull()) {
        Fail(d, PIC_NO_MEMORY);
    }
    if (cmyk) {
        d.row.resize(static_cast<std::size_t>(width) * 4);
    }
    while (info.output_scanline < info.output_height) {
        const int y = static_cast<int>(info.output_scanline);
        JSAMPROW line = cmyk ? d.row.data() : d.image.scanLine(y);
        if (jpeg_read_scanlines(&info, &line, 1) != 1) {
            Fail(d, PIC_TRUNCATED);
        }
        if (cmyk) {
            CmykToRgb(d.row.data(), d.image.scanLine(y), width);
        }
    }
    jpeg_finish_decompress(&info);
    if (grey) {
        QList<QRgb> greys(256);
        for (int i = 0; i < 256; ++i) {
            greys[i] = qRgb(i, i, i);
        }
        d.image.setColorTable(greys);
    }
    d.code = PIC_OK;
}

}  // namespace

std::int16_t DecodeJpegFile(int fd, bool rgb, DecodedPicture& out) {
    auto d = std::make_unique<Decoder>();
    d->fd = fd;
    d->info.err = jpeg_std_error(&d->errors);
    d->errors.error_exit = OnError;
    d->errors.emit_message = OnMessage;
    d->progress.progress_monitor = OnProgress;
    if (setjmp(d->jump) == 0) {
        jpeg_create_decompress(&d->info);
        d->info.client_data = d.get();
        d->info.progress = &d->progress;
        d->source.init_source = InitSource;
        d->source.fill_input_buffer = FillInput;
        d->source.skip_input_data = SkipInput;
        d->source.resync_to_restart = jpeg_resync_to_restart;
        d->source.term_source = TermSource;
        d->info.src = &d->source;
        Decode(*d, rgb);
    }
    jpeg_destroy_decompress(&d->info);
    if (d->code != PIC_OK) {
        return d->code;
    }
    out.bits = d->image.format() == QImage::Format_Indexed8 ? 8 : 24;
    out.image = std::move(d->image);
    return PIC_OK;
}

}  // namespace tavelo
