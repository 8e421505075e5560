#include "QV_JpegState.h"

#include <cstring>

#include <jerror.h>

namespace {

void JpegErrorExit(j_common_ptr cinfo)
{
    QV_JpegError* e = reinterpret_cast<QV_JpegError*>(cinfo->err);
    (*cinfo->err->format_message)(cinfo, e->message);
    std::longjmp(e->jump, 1);
}

// Warnings (corrupt but decodable data) are only counted; trace messages dropped.
void JpegEmitMessage(j_common_ptr cinfo, int level)
{
    if (level < 0) cinfo->err->num_warnings++;
}

void JpegOutputMessage(j_common_ptr) {}

QV_JpegSource* SourceOf(j_decompress_ptr cinfo)
{
    return reinterpret_cast<QV_JpegSource*>(cinfo->src);
}

void SourceInit(j_decompress_ptr) {}

boolean SourceFill(j_decompress_ptr cinfo)
{
    QV_JpegSource* s = SourceOf(cinfo);
    size_t n = 0;
    if (!s->started) {
        std::memcpy(s->buffer, s->prefix, static_cast<size_t>(s->prefixCount));
        n = static_cast<size_t>(s->prefixCount);
        s->started = true;
    }
    n += std::fread(s->buffer + n, 1, sizeof(s->buffer) - n, s->file);
    if (n == 0) ERREXIT(cinfo, JERR_INPUT_EOF);  // a truncated file is a failed read
    s->pub.next_input_byte = s->buffer;
    s->pub.bytes_in_buffer = n;
    return TRUE;
}

void SourceSkip(j_decompress_ptr cinfo, long count)
{
    QV_JpegSource* s = SourceOf(cinfo);
    if (count <= 0) return;
    while (count > static_cast<long>(s->pub.bytes_in_buffer)) {
        count -= static_cast<long>(s->pub.bytes_in_buffer);
        SourceFill(cinfo);
    }
    s->pub.next_input_byte += count;
    s->pub.bytes_in_buffer -= static_cast<size_t>(count);
}

void SourceTerm(j_decompress_ptr) {}

}  // namespace

jpeg_error_mgr* QV_JpegInstallError(QV_JpegError& e)
{
    jpeg_error_mgr* mgr = jpeg_std_error(&e.pub);
    mgr->error_exit = JpegErrorExit;
    mgr->emit_message = JpegEmitMessage;
    mgr->output_message = JpegOutputMessage;
    e.message[0] = '\0';
    return mgr;
}

void QV_JpegAttachSource(j_decompress_ptr cinfo, QV_JpegSource& src, std::FILE* f, const JOCTET* prefix,
                         int prefixCount)
{
    src.file = f;
    src.prefixCount = prefixCount < 0 ? 0 : (prefixCount > 2 ? 2 : prefixCount);
    for (int i = 0; i < src.prefixCount; ++i) src.prefix[i] = prefix[i];
    src.started = false;
    src.pub.init_source = SourceInit;
    src.pub.fill_input_buffer = SourceFill;
    src.pub.skip_input_data = SourceSkip;
    src.pub.resync_to_restart = jpeg_resync_to_restart;
    src.pub.term_source = SourceTerm;
    src.pub.next_input_byte = nullptr;
    src.pub.bytes_in_buffer = 0;
    cinfo->src = &src.pub;
}
