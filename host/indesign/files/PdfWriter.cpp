// The PDF export with cairo's PDF surface. Each PDF page is a "sheet": one exported page, or the
// exported pages of one spread side by side. Around its trim lie the bleed, the slug and the mark
// area, in that order outwards; marks stay in the mark area, so they never print into the bleed.
#include "PdfWriter.h"

#include "FontFolders.h"
#include "TextSupport.h"

#include <cairo-ft.h>
#include <cairo-pdf.h>
#include <cairo.h>
#include <fontconfig/fontconfig.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <malloc.h>
#include <map>
#include <system_error>
#include <utility>

namespace indesignhost
{
namespace
{
namespace fs = std::filesystem;

// Crop and bleed marks are this long; the mark area is the mark offset plus this.
constexpr double cMarkLength = 18;
// The page text: its size, its line distance, and its distance from the trim's top left corner.
constexpr double cTextSize = 18;
constexpr double cLineDistance = 1.25 * cTextSize;
constexpr double cMargin = 36;
// Placed images sit in one row below the text, this far apart.
constexpr double cImageGap = 12;
constexpr double cPageInformationSize = 6;
// Registration targets' radius, and colour bar swatches' side.
constexpr double cTargetRadius = 6;
constexpr double cSwatchSide = 10;
// The trim box's outline where the media reaches beyond it: a grey hairline.
constexpr double cOutlineWidth = 0.1;
// The ranges the job-options reader allows, kept by settings that come from elsewhere too.
constexpr double cMaxBleed = 432;
constexpr double cMaxMarkOffset = 72;
constexpr double cMaxMarkWeight = 10;

// Colour bar swatches, left to right: cyan, magenta, yellow, black, red, green, blue and three
// tints of black, in the RGB the PDF holds.
struct Swatch
{
    double red, green, blue;
};
Swatch const cSwatches[] = {{0, 1, 1}, {1, 0, 1}, {1, 1, 0},          {0, 0, 0},       {1, 0, 0},
                            {0, 1, 0}, {0, 0, 1}, {0.25, 0.25, 0.25}, {0.5, 0.5, 0.5}, {0.75, 0.75, 0.75}};

struct Sides
{
    double left = 0;
    double right = 0;
    double top = 0;
    double bottom = 0;
};

struct PlacedPage
{
    int index = 0;
    // From the sheet's trim's left edge.
    double x = 0;
};

struct Sheet
{
    HostDocument const* document = nullptr;
    std::vector<PlacedPage> pages;
    std::string label;
    double trimWidth = 0;
    double trimHeight = 0;
    Sides bleed;
    Sides slug;
    double markArea = 0;

    double ContentLeft() const { return markArea + slug.left + bleed.left; }
    double ContentTop() const { return markArea + slug.top + bleed.top; }
    double MediaWidth() const
    {
        return trimWidth + bleed.left + bleed.right + slug.left + slug.right + 2 * markArea;
    }
    double MediaHeight() const
    {
        return trimHeight + bleed.top + bleed.bottom + slug.top + slug.bottom + 2 * markArea;
    }
};

// Text for cairo, which refuses a string that is not UTF-8: every byte that does not begin a
// well-formed sequence becomes U+FFFD. (Names from file names can be any bytes.)
std::string ValidUtf8(std::string const& text)
{
    static char const cReplacement[] = "\xEF\xBF\xBD";
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size();)
    {
        std::size_t const length = Utf8SequenceLength(text, i);
        if (length > 0)
        {
            out.append(text, i, length);
            i += length;
        }
        else
        {
            out += cReplacement;
            ++i;
        }
    }
    return out;
}

Sides SidesOf(PageEdges const& edges, bool firstIsLeftHand, bool lastIsLeftHand)
{
    Sides sides;
    sides.top = edges.top;
    sides.bottom = edges.bottom;
    sides.left = firstIsLeftHand ? edges.outside : edges.inside;
    sides.right = lastIsLeftHand ? edges.inside : edges.outside;
    return sides;
}

bool InRange(double value, double low, bool lowIncluded, double high)
{
    return std::isfinite(value) && (lowIncluded ? value >= low : value > low) && value <= high;
}

bool CheckSettings(ExportSettings const& settings, std::string& error)
{
    struct Check
    {
        char const* key;
        double value;
        bool lowIncluded;
        double high;
    };
    Check const checks[] = {{"BleedTop", settings.bleedTop, true, cMaxBleed},
                            {"BleedBottom", settings.bleedBottom, true, cMaxBleed},
                            {"BleedInside", settings.bleedInside, true, cMaxBleed},
                            {"BleedOutside", settings.bleedOutside, true, cMaxBleed},
                            {"MarkOffset", settings.markOffset, true, cMaxMarkOffset},
                            {"MarkWeight", settings.markWeight, false, cMaxMarkWeight}};
    for (Check const& check : checks)
        if (!InRange(check.value, 0, check.lowIncluded, check.high))
        {
            error = std::string("the export setting /") + check.key + " is out of its range";
            return false;
        }
    return true;
}

// Where each page of a document lies: its spread, and whether left of the spine. Worked out once
// per document, since a document's own questions walk its spreads each time.
struct PagePlace
{
    int spread = -1;
    bool leftHand = false;
};

std::vector<PagePlace> PlacesOf(HostDocument const& document)
{
    std::vector<PagePlace> places(document.pages.size());
    for (std::size_t spread = 0; spread < document.spreads.size(); ++spread)
    {
        std::vector<int> const& pages = document.spreads[spread];
        for (std::size_t position = 0; position < pages.size(); ++position)
        {
            int const page = pages[position];
            if (page >= 0 && static_cast<std::size_t>(page) < places.size())
                places[static_cast<std::size_t>(page)] = {static_cast<int>(spread),
                                                          position < pages.size() / 2};
        }
    }
    return places;
}

void AddSheet(PdfJob const& job, HostDocument const& document, std::vector<PagePlace> const& places,
              std::vector<int> const& pages, std::vector<Sheet>& sheets)
{
    ExportSettings const& settings = job.settings;
    Sheet sheet;
    sheet.document = &document;
    for (int index : pages)
    {
        HostPage const& page = document.pages[static_cast<std::size_t>(index)];
        sheet.pages.push_back({index, sheet.trimWidth});
        sheet.trimWidth += page.width;
        sheet.trimHeight = std::max(sheet.trimHeight, page.height);
    }
    HostPage const& first = document.pages[static_cast<std::size_t>(pages.front())];
    HostPage const& last = document.pages[static_cast<std::size_t>(pages.back())];
    sheet.label = pages.size() == 1 ? first.label : first.label + "-" + last.label;
    bool const firstIsLeftHand = places[static_cast<std::size_t>(pages.front())].leftHand;
    bool const lastIsLeftHand = places[static_cast<std::size_t>(pages.back())].leftHand;
    PageEdges bleed = document.bleed;
    if (!settings.useDocumentBleed)
    {
        bleed.top = settings.bleedTop;
        bleed.bottom = settings.bleedBottom;
        bleed.inside = settings.bleedInside;
        bleed.outside = settings.bleedOutside;
    }
    sheet.bleed = SidesOf(bleed, firstIsLeftHand, lastIsLeftHand);
    if (settings.includeSlug)
        sheet.slug = SidesOf(document.slug, firstIsLeftHand, lastIsLeftHand);
    if (settings.AnyMarks())
        sheet.markArea = settings.markOffset + cMarkLength;
    sheets.push_back(std::move(sheet));
}

bool PlanSheets(PdfJob const& job, std::vector<Sheet>& sheets, std::string& error)
{
    std::size_t total = 0;
    for (PdfDocumentPages const& entry : job.documents)
        total += entry.pages.size();
    sheets.reserve(total);
    for (PdfDocumentPages const& entry : job.documents)
    {
        HostDocument const& document = entry.document;
        int const count = static_cast<int>(document.pages.size());
        for (int index : entry.pages)
            if (index < 0 || index >= count)
            {
                error = "the document " + document.name + " has no page of index " + std::to_string(index);
                return false;
            }
        std::vector<PagePlace> const places = PlacesOf(document);
        if (!job.settings.spreads)
        {
            for (int index : entry.pages)
                AddSheet(job, document, places, {index}, sheets);
            continue;
        }
        // A spread comes where its first exported page comes, with those of its pages that are exported.
        std::vector<bool> wanted(static_cast<std::size_t>(count), false);
        for (int index : entry.pages)
            wanted[static_cast<std::size_t>(index)] = true;
        std::vector<bool> done(document.spreads.size(), false);
        for (int index : entry.pages)
        {
            int const spread = places[static_cast<std::size_t>(index)].spread;
            if (spread < 0)
            {
                AddSheet(job, document, places, {index}, sheets);
                continue;
            }
            if (done[static_cast<std::size_t>(spread)])
                continue;
            done[static_cast<std::size_t>(spread)] = true;
            std::vector<int> pages;
            for (int page : document.spreads[static_cast<std::size_t>(spread)])
                if (page >= 0 && page < count && wanted[static_cast<std::size_t>(page)])
                    pages.push_back(page);
            AddSheet(job, document, places, pages, sheets);
        }
    }
    if (sheets.empty())
    {
        error = "no page to export";
        return false;
    }
    return true;
}

// The system's sans serif font as fontconfig's own configuration matches it, looked up once; no
// file when the system has no font. The configuration is loaded for this alone and let go at once.
FontFace const& SystemSansSerif()
{
    static FontFace const face = []
    {
        FontFace found;
        FcConfig* const config = FcInitLoadConfigAndFonts();
        if (!config)
            return found;
        FcPattern* const pattern = FcNameParse(reinterpret_cast<FcChar8 const*>("sans-serif"));
        FcConfigSubstitute(config, pattern, FcMatchPattern);
        FcDefaultSubstitute(pattern);
        FcResult result = FcResultNoMatch;
        FcPattern* const match = FcFontMatch(config, pattern, &result);
        FcChar8* file = nullptr;
        if (match && FcPatternGetString(match, FC_FILE, 0, &file) == FcResultMatch)
        {
            found.file = reinterpret_cast<char const*>(file);
            FcPatternGetInteger(match, FC_INDEX, 0, &found.index);
        }
        if (match)
            FcPatternDestroy(match);
        FcPatternDestroy(pattern);
        FcConfigDestroy(config);
        return found;
    }();
    return face;
}

// The output of cairo's PDF surface, into a file the writer closes itself, so that an error of the
// last write or of closing is seen.
struct PartFile
{
    std::FILE* file = nullptr;
    int error = 0;
};

cairo_status_t WriteToPart(void* closure, unsigned char const* data, unsigned int length)
{
    PartFile* const part = static_cast<PartFile*>(closure);
    if (std::fwrite(data, 1, length, part->file) != length)
    {
        part->error = errno;
        return CAIRO_STATUS_WRITE_ERROR;
    }
    return CAIRO_STATUS_SUCCESS;
}

// Draws the sheets on one cairo context, keeping the font faces and images it made for the
// whole PDF, so that each font and image is embedded once.
class SheetPainter
{
public:
    SheetPainter(cairo_t* cr, PdfJob const& job)
        : fCr(cr), fJob(job), fDate(job.date.empty() ? DateNow() : job.date)
    {
    }
    ~SheetPainter()
    {
        for (auto const& face : fFaces)
            cairo_font_face_destroy(face.second);
        for (auto const& image : fImages)
            cairo_surface_destroy(image.second);
    }
    SheetPainter(SheetPainter const&) = delete;
    SheetPainter& operator=(SheetPainter const&) = delete;

    void Paint(Sheet const& sheet)
    {
        for (PlacedPage const& placed : sheet.pages)
            PaintPage(sheet, placed);
        ExportSettings const& settings = fJob.settings;
        if (sheet.MediaWidth() > sheet.trimWidth || sheet.MediaHeight() > sheet.trimHeight)
            PaintTrimOutline(sheet);
        cairo_set_source_rgb(fCr, 0, 0, 0);
        cairo_set_line_width(fCr, settings.markWeight);
        if (settings.cropMarks)
            PaintCropMarks(sheet);
        if (settings.bleedMarks)
            PaintBleedMarks(sheet);
        if (settings.registrationMarks)
            PaintRegistrationTargets(sheet);
        if (settings.colorBars)
            PaintColorBars(sheet);
        if (settings.pageInformation)
            PaintPageInformation(sheet);
    }

private:
    // The face of the font, or of the document's first font that has a usable file, or of the
    // system's sans serif font when none has; null when the system has no font either.
    cairo_font_face_t* FaceFor(HostDocument const& document, std::string const& fontName)
    {
        auto const key = std::make_pair(&document, fontName);
        auto const known = fFaceOf.find(key);
        if (known != fFaceOf.end())
            return known->second;
        cairo_font_face_t* face = nullptr;
        if (fJob.fonts)
        {
            for (HostFont const& font : document.fonts)
                if (font.name == fontName)
                    face = FileFace(fJob.fonts->FindFace(font));
            for (std::size_t i = 0; !face && i < document.fonts.size(); ++i)
                face = FileFace(fJob.fonts->FindFace(document.fonts[i]));
        }
        if (!face)
            face = FileFace(&SystemSansSerif());
        fFaceOf[key] = face;
        return face;
    }

    // The face of the font's file, or null when there is none or it cannot be loaded (a file deleted
    // or damaged since the folders were scanned), which would otherwise fail the whole PDF.
    cairo_font_face_t* FileFace(FontFace const* font)
    {
        if (!font || font->file.empty())
            return nullptr;
        std::string const key = font->file + '\n' + std::to_string(font->index);
        auto const known = fFaces.find(key);
        if (known != fFaces.end())
            return known->second;
        // cairo loads the file named by the pattern itself, and keeps the pattern.
        FcPattern* const pattern = FcPatternCreate();
        FcPatternAddString(pattern, FC_FILE, reinterpret_cast<FcChar8 const*>(font->file.c_str()));
        FcPatternAddInteger(pattern, FC_INDEX, font->index);
        cairo_font_face_t* face = cairo_ft_font_face_create_for_pattern(pattern);
        FcPatternDestroy(pattern);
        cairo_matrix_t identity;
        cairo_matrix_init_identity(&identity);
        cairo_font_options_t* const options = cairo_font_options_create();
        cairo_scaled_font_t* const scaled = cairo_scaled_font_create(face, &identity, &identity, options);
        bool const usable = cairo_scaled_font_status(scaled) == CAIRO_STATUS_SUCCESS;
        cairo_scaled_font_destroy(scaled);
        cairo_font_options_destroy(options);
        if (!usable)
        {
            cairo_font_face_destroy(face);
            face = nullptr;
        }
        fFaces[key] = face;
        return face;
    }

    // The PNG, or null when the file is missing or no PNG.
    cairo_surface_t* Image(std::string const& path)
    {
        auto const known = fImages.find(path);
        if (known != fImages.end())
            return cairo_surface_status(known->second) == CAIRO_STATUS_SUCCESS ? known->second : nullptr;
        cairo_surface_t* const image = cairo_image_surface_create_from_png(path.c_str());
        fImages[path] = image;
        return cairo_surface_status(image) == CAIRO_STATUS_SUCCESS ? image : nullptr;
    }

    void PaintPage(Sheet const& sheet, PlacedPage const& placed)
    {
        HostPage const& page = sheet.document->pages[static_cast<std::size_t>(placed.index)];
        double const left = sheet.ContentLeft() + placed.x;
        double const top = sheet.ContentTop();
        cairo_save(fCr);
        cairo_rectangle(fCr, left, top, page.width, page.height);
        cairo_clip(fCr);
        cairo_set_source_rgb(fCr, 0, 0, 0);
        cairo_font_face_t* const face = FaceFor(*sheet.document, page.font);
        cairo_set_font_size(fCr, cTextSize);
        double baseline = top + cMargin + cTextSize;
        std::string const text = ValidUtf8(page.text);
        for (std::size_t start = 0; start <= text.size();)
        {
            std::size_t end = text.find('\n', start);
            if (end == std::string::npos)
                end = text.size();
            if (end > start && face)
            {
                cairo_set_font_face(fCr, face);
                cairo_move_to(fCr, left + cMargin, baseline);
                cairo_show_text(fCr, text.substr(start, end - start).c_str());
            }
            baseline += cLineDistance;
            start = end + 1;
        }
        PaintImages(page, left, baseline, top + page.height - cMargin);
        cairo_restore(fCr);
    }

    // One row of equal cells below the text; each image fitted into its cell, keeping its shape.
    // A link that is missing or no PNG shows as its empty frame, crossed.
    void PaintImages(HostPage const& page, double left, double top, double bottom)
    {
        std::size_t const count = page.images.size();
        double const width = page.width - 2 * cMargin;
        double const height = bottom - top;
        if (count == 0 || width <= 0 || height <= 0)
            return;
        double const cell = (width - cImageGap * static_cast<double>(count - 1)) / static_cast<double>(count);
        if (cell <= 0)
            return;
        for (std::size_t i = 0; i < count; ++i)
        {
            double const x = left + cMargin + static_cast<double>(i) * (cell + cImageGap);
            cairo_surface_t* const image = Image(page.images[i]);
            if (!image)
            {
                cairo_save(fCr);
                cairo_set_source_rgb(fCr, 0.5, 0.5, 0.5);
                cairo_set_line_width(fCr, 0.5);
                cairo_rectangle(fCr, x, top, cell, height);
                cairo_move_to(fCr, x, top);
                cairo_line_to(fCr, x + cell, top + height);
                cairo_move_to(fCr, x + cell, top);
                cairo_line_to(fCr, x, top + height);
                cairo_stroke(fCr);
                cairo_restore(fCr);
                continue;
            }
            double const imageWidth = cairo_image_surface_get_width(image);
            double const imageHeight = cairo_image_surface_get_height(image);
            if (imageWidth <= 0 || imageHeight <= 0)
                continue;
            double const scale = std::min(cell / imageWidth, height / imageHeight);
            cairo_save(fCr);
            cairo_translate(fCr, x + (cell - imageWidth * scale) / 2, top);
            cairo_scale(fCr, scale, scale);
            cairo_set_source_surface(fCr, image, 0, 0);
            cairo_paint(fCr);
            cairo_restore(fCr);
        }
    }

    void PaintTrimOutline(Sheet const& sheet)
    {
        cairo_save(fCr);
        cairo_set_source_rgb(fCr, 0.5, 0.5, 0.5);
        cairo_set_line_width(fCr, cOutlineWidth);
        cairo_rectangle(fCr, sheet.ContentLeft(), sheet.ContentTop(), sheet.trimWidth, sheet.trimHeight);
        cairo_stroke(fCr);
        cairo_restore(fCr);
    }

    void Line(double x1, double y1, double x2, double y2)
    {
        cairo_move_to(fCr, x1, y1);
        cairo_line_to(fCr, x2, y2);
    }

    // Marks on the lines x = xs[i] and y = ys[i], each running from the media's edge to the mark
    // offset short of the box of trim, bleed and slug.
    void PaintEdgeMarks(Sheet const& sheet, double const* xs, std::size_t xCount, double const* ys,
                        std::size_t yCount)
    {
        double const area = sheet.markArea;
        double const offset = fJob.settings.markOffset;
        double const mediaWidth = sheet.MediaWidth();
        double const mediaHeight = sheet.MediaHeight();
        for (std::size_t i = 0; i < xCount; ++i)
        {
            Line(xs[i], 0, xs[i], area - offset);
            Line(xs[i], mediaHeight - area + offset, xs[i], mediaHeight);
        }
        for (std::size_t i = 0; i < yCount; ++i)
        {
            Line(0, ys[i], area - offset, ys[i]);
            Line(mediaWidth - area + offset, ys[i], mediaWidth, ys[i]);
        }
        cairo_stroke(fCr);
    }

    void PaintCropMarks(Sheet const& sheet)
    {
        double const xs[] = {sheet.ContentLeft(), sheet.ContentLeft() + sheet.trimWidth};
        double const ys[] = {sheet.ContentTop(), sheet.ContentTop() + sheet.trimHeight};
        PaintEdgeMarks(sheet, xs, 2, ys, 2);
    }

    // Only on the sides that have a bleed: elsewhere they would lie on the crop marks.
    void PaintBleedMarks(Sheet const& sheet)
    {
        double xs[2];
        double ys[2];
        std::size_t xCount = 0;
        std::size_t yCount = 0;
        if (sheet.bleed.left > 0)
            xs[xCount++] = sheet.ContentLeft() - sheet.bleed.left;
        if (sheet.bleed.right > 0)
            xs[xCount++] = sheet.ContentLeft() + sheet.trimWidth + sheet.bleed.right;
        if (sheet.bleed.top > 0)
            ys[yCount++] = sheet.ContentTop() - sheet.bleed.top;
        if (sheet.bleed.bottom > 0)
            ys[yCount++] = sheet.ContentTop() + sheet.trimHeight + sheet.bleed.bottom;
        if (xCount + yCount > 0)
            PaintEdgeMarks(sheet, xs, xCount, ys, yCount);
    }

    // A circle with cross hairs in the middle of each side's mark area.
    void PaintRegistrationTargets(Sheet const& sheet)
    {
        double const middle = (sheet.markArea - fJob.settings.markOffset) / 2;
        double const centreX = sheet.ContentLeft() + sheet.trimWidth / 2;
        double const centreY = sheet.ContentTop() + sheet.trimHeight / 2;
        double const centres[4][2] = {{centreX, middle},
                                      {centreX, sheet.MediaHeight() - middle},
                                      {middle, centreY},
                                      {sheet.MediaWidth() - middle, centreY}};
        for (auto const& centre : centres)
        {
            cairo_new_sub_path(fCr);
            cairo_arc(fCr, centre[0], centre[1], cTargetRadius * 2 / 3, 0, 2 * M_PI);
            Line(centre[0] - cTargetRadius, centre[1], centre[0] + cTargetRadius, centre[1]);
            Line(centre[0], centre[1] - cTargetRadius, centre[0], centre[1] + cTargetRadius);
        }
        cairo_stroke(fCr);
    }

    // A row of swatches in the top mark area, between the left crop mark and the top registration
    // target, smaller where the trim is too narrow for them.
    void PaintColorBars(Sheet const& sheet)
    {
        std::size_t const count = sizeof cSwatches / sizeof *cSwatches;
        double const start = sheet.ContentLeft() + cSwatchSide;
        double const room = sheet.trimWidth / 2 - cTargetRadius - 2 * cSwatchSide;
        double const side = std::min(cSwatchSide, room / static_cast<double>(count));
        if (side <= 0)
            return;
        double const y = (sheet.markArea - fJob.settings.markOffset - side) / 2;
        cairo_save(fCr);
        for (std::size_t i = 0; i < count; ++i)
        {
            cairo_set_source_rgb(fCr, cSwatches[i].red, cSwatches[i].green, cSwatches[i].blue);
            cairo_rectangle(fCr, start + static_cast<double>(i) * side, y, side, side);
            cairo_fill(fCr);
        }
        cairo_restore(fCr);
    }

    // "<document> page <label> <date>" in the bottom mark area, right of the left crop mark.
    void PaintPageInformation(Sheet const& sheet)
    {
        HostDocument const& document = *sheet.document;
        std::string const font = document.fonts.empty() ? std::string() : document.fonts.front().name;
        cairo_font_face_t* const face = FaceFor(document, font);
        if (!face)
            return;
        cairo_set_font_face(fCr, face);
        cairo_set_font_size(fCr, cPageInformationSize);
        double const contentBottom = sheet.MediaHeight() - sheet.markArea;
        cairo_move_to(fCr, sheet.ContentLeft() + cPageInformationSize,
                      contentBottom + fJob.settings.markOffset + cMarkLength / 2 + cPageInformationSize / 2);
        cairo_show_text(fCr, ValidUtf8(document.name + " page " + sheet.label + " " + fDate).c_str());
    }

    cairo_t* fCr;
    PdfJob const& fJob;
    std::string fDate;
    std::map<std::pair<HostDocument const*, std::string>, cairo_font_face_t*> fFaceOf;
    std::map<std::string, cairo_font_face_t*> fFaces;
    std::map<std::string, cairo_surface_t*> fImages;
};

// cairo ends each page's content stream with zlib's deflateEnd, which frees a quarter of a megabyte
// of compression state that the next page allocates again. Where those blocks lie at the top of the
// heap, glibc gives them back to the system and asks for them again page after page, two system
// calls and a TLB flush each, which made an export many times slower than its drawing. A trim
// threshold of a few megabytes keeps them; the process holds at most that much more.
void KeepPageBuffers()
{
    static bool const kept = mallopt(M_TRIM_THRESHOLD, 4 * 1024 * 1024) != 0;
    (void)kept;
}

std::string CairoError(cairo_status_t status)
{
    return std::string("cairo failed: ") + cairo_status_to_string(status);
}

// Draws every sheet into the open part file; false with the reason on the first failure.
bool DrawPdf(PartFile& part, PdfJob const& job, std::vector<Sheet> const& sheets, std::string& error)
{
    KeepPageBuffers();
    cairo_surface_t* const surface = cairo_pdf_surface_create_for_stream(
        WriteToPart, &part, sheets.front().MediaWidth(), sheets.front().MediaHeight());
    cairo_pdf_surface_set_metadata(surface, CAIRO_PDF_METADATA_TITLE, ValidUtf8(job.title).c_str());
    cairo_pdf_surface_set_metadata(surface, CAIRO_PDF_METADATA_CREATOR, ValidUtf8(job.creator).c_str());
    cairo_t* const cr = cairo_create(surface);
    {
        SheetPainter painter(cr, job);
        for (Sheet const& sheet : sheets)
        {
            if (cairo_status(cr) != CAIRO_STATUS_SUCCESS)
                break;
            cairo_pdf_surface_set_size(surface, sheet.MediaWidth(), sheet.MediaHeight());
            cairo_pdf_surface_set_page_label(surface, ValidUtf8(sheet.label).c_str());
            painter.Paint(sheet);
            cairo_show_page(cr);
        }
    }
    cairo_status_t status = cairo_status(cr);
    cairo_destroy(cr);
    cairo_surface_finish(surface);
    if (status == CAIRO_STATUS_SUCCESS)
        status = cairo_surface_status(surface);
    cairo_surface_destroy(surface);
    if (status == CAIRO_STATUS_SUCCESS)
        return true;
    error =
        part.error ? "cannot write the PDF: " + std::string(std::strerror(part.error)) : CairoError(status);
    return false;
}
} // namespace

bool WritePdf(std::string const& path, PdfJob const& job, std::string& error)
{
    error.clear();
    if (path.empty())
    {
        error = "no output file given";
        return false;
    }
    if (!CheckSettings(job.settings, error))
        return false;
    std::vector<Sheet> sheets;
    if (!PlanSheets(job, sheets, error))
        return false;

    fs::path const folder =
        fs::path(path).parent_path().empty() ? fs::path(".") : fs::path(path).parent_path();
    std::error_code failure;
    fs::file_status const status = fs::status(folder, failure);
    if (!fs::exists(status))
    {
        error = "the output folder " + folder.string() + " does not exist";
        return false;
    }
    if (!fs::is_directory(status))
    {
        error = "the output folder " + folder.string() + " is not a folder";
        return false;
    }

    std::string const partPath = path + ".part";
    PartFile part;
    part.file = std::fopen(partPath.c_str(), "wbe");
    if (!part.file)
    {
        error = "cannot write " + partPath + ": " + std::strerror(errno);
        return false;
    }
    bool written = DrawPdf(part, job, sheets, error);
    if (std::fclose(part.file) != 0 && written)
    {
        error = "cannot write " + partPath + ": " + std::strerror(errno);
        written = false;
    }
    if (written && std::rename(partPath.c_str(), path.c_str()) != 0)
    {
        error = "cannot put the PDF at " + path + ": " + std::strerror(errno);
        written = false;
    }
    if (!written)
        std::remove(partPath.c_str());
    return written;
}
} // namespace indesignhost
