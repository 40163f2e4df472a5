// The one road by which a file reaches Vantu from outside: the command line,
// a drop on the main window, the macro language and the colour dialog's reload.
#pragma once

#include <cstdint>
#include <string>

class Tvantu;

// Opens `path` by its extension; returns 15 when a macro ran (or was
// cancelled with a box), a ROI file or a feature map was loaded, the format
// index of a successful image load, 0 when nothing was loaded, the map was
// no usable map, or the macro could not be opened, failed its check, stopped
// on a failed command or was refused as running already.
int OpenFileByExtension(Tvantu* window, const std::string& path);

// Loads `path` as format `index` into the main window; 0 on success, else the
// failure code, with the previous image, sizes and ROI map left as they were.
// Running out of memory is said here ("Not enough memory to load <file>
// (<w> x <h>).") and gives kLoadNoMemory.
// A header that declares more than kMaxImagePixels is said here too
// (imageTooLargeText) and gives kLoadTooLarge.
inline constexpr int kLoadNoMemory = 43;
inline constexpr int kLoadTooLarge = 44;
std::string imageTooLargeText(const std::string& path, int64_t width, int64_t height);
int LoadImageFile(Tvantu* window, int index, const std::string& path);

// "File > Load image...": the load dialog, then the reader of the chosen type;
// a name whose extension the open rules know and the chosen type does not
// match opens by OpenFileByExtension instead.
void LoadClick(Tvantu* window);

// "Cannot load the image\r\n<path>\r\nas <the dialog's entry of index>. ..."
std::string cannotLoadAsText(const std::string& path, int index);

// A path given in double quotes by a shell loses them: "a b.bmp" x -> a b.bmp
std::string pathWithoutQuotes(const std::string& path);
