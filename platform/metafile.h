// Pictures saved as enhanced metafiles (.emf) or Windows metafiles (.wmf):
// a small recorder of frames, lines and texts in device units (pixels, y
// downwards) that writes the metafile records, so that the pictures open in
// the usual drawing and office programs. The records are made by libUEMF.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace platform {

enum class MetafileKind { Enhanced, Windows };

struct MetafileText {
    double x = 0, y = 0;  // the point the text is centred on
    std::string text;     // UTF-8
    uint32_t colour = 0;  // 0x00BBGGRR
    bool bold = false;
    int height = 12;   // character height in pixels
    double angle = 0;  // degrees, counter-clockwise
};

class Metafile {
  public:
    Metafile(MetafileKind kind, int width, int height);

    // A filled rectangle with a one-pixel outline.
    void frame(int left, int top, int right, int bottom, uint32_t fill, uint32_t outline);
    void line(double x1, double y1, double x2, double y2, uint32_t colour, bool dotted);
    void text(const MetafileText& text);

    // Writes the file; false when it could not be written (the file is then
    // not left half written).
    bool save(const std::string& path) const;

  private:
    struct Item {
        enum class Kind { Frame, Line, Text } kind;
        double x1, y1, x2, y2;
        uint32_t colour, fill;
        bool flag;  // dotted line, bold text
        MetafileText text;
    };
    bool saveEnhanced(const std::string& path) const;
    bool saveWindows(const std::string& path) const;

    MetafileKind kind_;
    int width_, height_;
    std::vector<Item> items_;
};

}  // namespace platform
