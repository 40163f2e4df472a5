#include "platform/metafile.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>

extern "C" {
#include <uemf.h>
#include <uemf_utf.h>
#include <uwmf.h>
}

namespace platform {

namespace {

U_COLORREF colourRef(uint32_t bgr) {
    return colorref3_set(static_cast<uint8_t>(bgr & 0xFF), static_cast<uint8_t>((bgr >> 8) & 0xFF),
                         static_cast<uint8_t>((bgr >> 16) & 0xFF));
}

int32_t rounded(double v) {
    return static_cast<int32_t>(std::lround(v));
}

int16_t rounded16(double v) {
    const long r = std::lround(v);
    return static_cast<int16_t>(r < -32768 ? -32768 : r > 32767 ? 32767 : r);
}

// The file is made under a temporary name and renamed over the target only
// when the writer reported success.
bool publish(const std::string& temporary, const std::string& path, bool written) {
    std::error_code ec;
    if (written && std::filesystem::file_size(temporary, ec) > 0 && !ec) {
        std::filesystem::rename(temporary, path, ec);
        if (!ec) return true;
    }
    std::filesystem::remove(temporary, ec);
    return false;
}

}  // namespace

Metafile::Metafile(MetafileKind kind, int width, int height)
    : kind_(kind), width_(width), height_(height) {}

void Metafile::frame(int left, int top, int right, int bottom, uint32_t fill, uint32_t outline) {
    items_.push_back({Item::Kind::Frame,
                      double(left),
                      double(top),
                      double(right),
                      double(bottom),
                      outline,
                      fill,
                      false,
                      {}});
}

void Metafile::line(double x1, double y1, double x2, double y2, uint32_t colour, bool dotted) {
    items_.push_back({Item::Kind::Line, x1, y1, x2, y2, colour, 0, dotted, {}});
}

void Metafile::text(const MetafileText& text) {
    items_.push_back({Item::Kind::Text, text.x, text.y, 0, 0, text.colour, 0, text.bold, text});
}

bool Metafile::save(const std::string& path) const {
    return kind_ == MetafileKind::Enhanced ? saveEnhanced(path) : saveWindows(path);
}

bool Metafile::saveEnhanced(const std::string& path) const {
    const std::string temporary = path + ".part";
    EMFTRACK* et = nullptr;
    EMFHANDLES* eht = nullptr;
    if (emf_start(temporary.c_str(), 1000000, 250000, &et) != 0) return false;
    if (emf_htable_create(128, 128, &eht) != 0) {
        emf_free(&et);
        return false;
    }
    bool ok = true;
    auto add = [&](char* record) {
        if (!record || emf_append(reinterpret_cast<U_ENHMETARECORD*>(record), et, U_REC_FREE) != 0)
            ok = false;
    };
    // 96 pixels per inch: the frame is given in hundredths of a millimetre.
    const U_RECTL bounds = rectl_set(point32_set(0, 0), point32_set(width_ - 1, height_ - 1));
    const U_RECTL frameRect =
        rectl_set(point32_set(0, 0),
                  point32_set(rounded(width_ * 2540.0 / 96), rounded(height_ * 2540.0 / 96)));
    size_t length = 0;
    uint16_t* description = U_Utf8ToUtf16le("Vantu\0Feature space\0\0", 22, &length);
    add(U_EMRHEADER_set(bounds, frameRect, nullptr, static_cast<U_CBSTR>(22), description,
                        sizel_set(1024, 768), sizel_set(271, 203), 0));
    std::free(description);
    add(U_EMRSETMAPMODE_set(U_MM_TEXT));
    add(U_EMRSETBKMODE_set(U_TRANSPARENT));
    add(U_EMRSETTEXTALIGN_set(U_TA_CENTER | U_TA_BASELINE));

    for (const Item& item : items_) {
        if (item.kind == Item::Kind::Frame) {
            uint32_t pen = 0, brush = 0;
            add(createpen_set(&pen, eht,
                              logpen_set(U_PS_SOLID, point32_set(1, 1), colourRef(item.colour))));
            add(selectobject_set(pen, eht));
            add(createbrushindirect_set(
                &brush, eht, logbrush_set(U_BS_SOLID, colourRef(item.fill), U_HS_SOLIDCLR)));
            add(selectobject_set(brush, eht));
            add(U_EMRRECTANGLE_set(rectl_set(point32_set(rounded(item.x1), rounded(item.y1)),
                                             point32_set(rounded(item.x2), rounded(item.y2)))));
            add(deleteobject_set(&pen, eht));
            add(deleteobject_set(&brush, eht));
        } else if (item.kind == Item::Kind::Line) {
            uint32_t pen = 0;
            add(createpen_set(&pen, eht,
                              logpen_set(item.flag ? U_PS_DOT : U_PS_SOLID, point32_set(1, 1),
                                         colourRef(item.colour))));
            add(selectobject_set(pen, eht));
            add(U_EMRMOVETOEX_set(point32_set(rounded(item.x1), rounded(item.y1))));
            add(U_EMRLINETO_set(point32_set(rounded(item.x2), rounded(item.y2))));
            add(deleteobject_set(&pen, eht));
        } else {
            const MetafileText& t = item.text;
            uint16_t* face = U_Utf8ToUtf16le("Arial", 0, nullptr);
            const int32_t escapement = rounded(t.angle * 10);
            U_LOGFONT font =
                logfont_set(-t.height, 0, escapement, escapement, t.bold ? U_FW_BOLD : U_FW_NORMAL,
                            0, 0, 0, U_ANSI_CHARSET, U_OUT_DEFAULT_PRECIS, U_CLIP_DEFAULT_PRECIS,
                            U_DEFAULT_QUALITY, U_DEFAULT_PITCH | U_FF_DONTCARE, face);
            std::free(face);
            uint16_t* fullName = U_Utf8ToUtf16le("Arial", 0, nullptr);
            uint16_t* style = U_Utf8ToUtf16le(t.bold ? "Bold" : "Regular", 0, nullptr);
            U_LOGFONT_PANOSE panose = logfont_panose_set(font, fullName, style, 0,
                                                         panose_set(0, 0, 0, 0, 0, 0, 0, 0, 0, 0));
            std::free(fullName);
            std::free(style);
            uint32_t handle = 0;
            add(extcreatefontindirectw_set(&handle, eht, nullptr,
                                           reinterpret_cast<char*>(&panose)));
            add(selectobject_set(handle, eht));
            add(U_EMRSETTEXTCOLOR_set(colourRef(t.colour)));
            size_t characters = 0;
            uint16_t* text = U_Utf8ToUtf16le(t.text.c_str(), 0, &characters);
            if (text && characters > 0) {
                uint32_t* dx = dx_set(-t.height, t.bold ? U_FW_BOLD : U_FW_NORMAL,
                                      static_cast<uint32_t>(characters));
                // The reference point sits on the baseline, a third of the
                // height below the point the text is centred on.
                const double rad = t.angle * 3.14159265358979323846 / 180;
                const double drop = t.height / 3.0;
                const U_POINTL at = point32_set(rounded(t.x + drop * std::sin(rad)),
                                                rounded(t.y + drop * std::cos(rad)));
                char* emrtext = emrtext_set(at, static_cast<U_NUM_STR>(characters), 2, text,
                                            U_ETO_NONE, U_RCL_DEF, dx);
                add(U_EMREXTTEXTOUTW_set(U_RCL_DEF, U_GM_COMPATIBLE, 1.0, 1.0,
                                         reinterpret_cast<PU_EMRTEXT>(emrtext)));
                std::free(emrtext);
                std::free(dx);
            }
            std::free(text);
            add(deleteobject_set(&handle, eht));
        }
    }
    add(U_EMREOF_set(0, nullptr, et));
    const bool written = ok && emf_finish(et, eht) == 0;
    emf_free(&et);
    emf_htable_free(&eht);
    return publish(temporary, path, written);
}

bool Metafile::saveWindows(const std::string& path) const {
    const std::string temporary = path + ".part";
    WMFTRACK* wt = nullptr;
    WMFHANDLES* wht = nullptr;
    if (wmf_start(temporary.c_str(), 1000000, 250000, &wt) != 0) return false;
    if (wmf_htable_create(128, 128, &wht) != 0) {
        wmf_free(&wt);
        return false;
    }
    bool ok = true;
    auto add = [&](char* record) {
        if (!record || wmf_append(reinterpret_cast<U_METARECORD*>(record), wt, U_REC_FREE) != 0)
            ok = false;
    };
    // The placeable header: the picture's size in inches at 96 pixels each.
    U_PAIRF* size =
        U_PAIRF_set(static_cast<float>(width_ / 96.0), static_cast<float>(height_ / 96.0));
    char* header = U_WMRHEADER_set(size, 96);
    std::free(size);
    if (!header || wmf_header_append(reinterpret_cast<U_METARECORD*>(header), wt, U_REC_FREE) != 0)
        ok = false;
    add(U_WMRSETWINDOWORG_set(point16_set(0, 0)));
    add(U_WMRSETWINDOWEXT_set(
        point16_set(static_cast<int16_t>(width_), static_cast<int16_t>(height_))));
    add(U_WMRSETBKMODE_set(U_TRANSPARENT));
    add(U_WMRSETTEXTALIGN_set(U_TA_CENTER | U_TA_BASELINE));

    for (const Item& item : items_) {
        if (item.kind == Item::Kind::Frame) {
            uint32_t pen = 0, brush = 0;
            add(wcreatepenindirect_set(&pen, wht,
                                       U_PEN_set(U_PS_SOLID, 1, colourRef(item.colour))));
            add(wselectobject_set(pen, wht));
            add(wcreatebrushindirect_set(
                &brush, wht, U_WLOGBRUSH_set(U_BS_SOLID, colourRef(item.fill), U_HS_SOLIDCLR)));
            add(wselectobject_set(brush, wht));
            add(U_WMRRECTANGLE_set(
                U_RECT16_set(point16_set(rounded16(item.x1), rounded16(item.y1)),
                             point16_set(rounded16(item.x2), rounded16(item.y2)))));
            add(wdeleteobject_set(&pen, wht));
            add(wdeleteobject_set(&brush, wht));
        } else if (item.kind == Item::Kind::Line) {
            uint32_t pen = 0;
            add(wcreatepenindirect_set(
                &pen, wht,
                U_PEN_set(item.flag ? U_PS_DOT : U_PS_SOLID, 1, colourRef(item.colour))));
            add(wselectobject_set(pen, wht));
            add(U_WMRMOVETO_set(point16_set(rounded16(item.x1), rounded16(item.y1))));
            add(U_WMRLINETO_set(point16_set(rounded16(item.x2), rounded16(item.y2))));
            add(wdeleteobject_set(&pen, wht));
        } else {
            const MetafileText& t = item.text;
            const int16_t escapement = static_cast<int16_t>(rounded(t.angle * 10));
            U_FONT* font =
                U_FONT_set(static_cast<int16_t>(-t.height), 0, escapement, escapement,
                           t.bold ? U_FW_BOLD : U_FW_NORMAL, 0, 0, 0, U_ANSI_CHARSET,
                           U_OUT_DEFAULT_PRECIS, U_CLIP_DEFAULT_PRECIS, U_DEFAULT_QUALITY,
                           U_DEFAULT_PITCH | U_FF_DONTCARE, const_cast<char*>("Arial"));
            uint32_t handle = 0;
            add(wcreatefontindirect_set(&handle, wht, font));
            std::free(font);
            add(wselectobject_set(handle, wht));
            add(U_WMRSETTEXTCOLOR_set(colourRef(t.colour)));
            // Windows metafiles carry 8-bit text: names are ASCII here.
            std::string latin;
            for (unsigned char c : t.text) latin += c < 0x80 ? static_cast<char>(c) : '?';
            const double rad = t.angle * 3.14159265358979323846 / 180;
            const double drop = t.height / 3.0;
            if (!latin.empty()) {
                // Without character advances a reader lays the text out
                // with its own font, as one string.
                add(U_WMREXTTEXTOUT_set(point16_set(rounded16(t.x + drop * std::sin(rad)),
                                                    rounded16(t.y + drop * std::cos(rad))),
                                        static_cast<int16_t>(latin.size()), 0, latin.c_str(),
                                        nullptr,
                                        U_RECT16_set(point16_set(0, 0), point16_set(0, 0))));
            }
            add(wdeleteobject_set(&handle, wht));
        }
    }
    add(U_WMREOF_set());
    const bool written = ok && wmf_finish(wt) == 0;
    wmf_free(&wt);
    wmf_htable_free(&wht);
    return publish(temporary, path, written);
}

}  // namespace platform
