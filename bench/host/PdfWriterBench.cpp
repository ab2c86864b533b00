// The stand-in host's PDF export (WritePdf on a 200-page document read from its file, fonts from a
// font folder) against cairo drawing the same pages directly: the same page sizes with a bleed and
// crop marks, the same text in the same DejaVu Sans, the same trim outline and marks, labels and
// metadata. The figure is the ratio of times, ours over cairo's.
#include "BenchRatio.h"

#include <cairo-ft.h>
#include <cairo-pdf.h>
#include <cairo.h>
#include <fontconfig/fontconfig.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <system_error>
#include <unistd.h>

#include "FontFolders.h"
#include "HostDocument.h"
#include "PdfWriter.h"

namespace fs = std::filesystem;

namespace
{
constexpr int cPages = 200;
constexpr double cBleed = 9;
// What the export draws: marks 18 pt long at the default offset of 6 pt, page text of 18 pt at 36 pt
// from the trim's corner, a trim outline of 0.1 pt.
constexpr double cMarkArea = 6 + 18;
constexpr double cOffset = 6;
constexpr double cMarkWeight = 0.25;
constexpr double cTextSize = 18;
constexpr double cMargin = 36;

// Where the files live: a RAM file system where there is one, so the disk does not weigh in.
fs::path BenchFolder()
{
    std::error_code error;
    return fs::is_directory("/dev/shm", error) ? fs::path("/dev/shm") : fs::temp_directory_path();
}

struct Workspace
{
    Workspace()
    {
        std::string pattern = (BenchFolder() / "sendrix-pdf-bench-XXXXXX").string();
        if (!mkdtemp(pattern.data()))
            std::abort();
        fRoot = pattern;
        fs::create_directories(fRoot / "fonts");
        fs::copy_file(fs::path(SENDRIX_DEJAVU_FOLDER) / "DejaVuSans.ttf", fRoot / "fonts/DejaVuSans.ttf");
        std::string pages;
        for (int i = 0; i < cPages; ++i)
            pages += std::string(i ? ", " : "") + "{}";
        std::ofstream(fRoot / "Bench.indd")
            << "{\"pages\": [" << pages
            << "], \"fonts\": [{\"name\": \"DejaVu Sans\", \"file\": \"DejaVuSans.ttf\"}]}";
        fFonts = indesignhost::FontFolders({(fRoot / "fonts").string()});
        fJob.title = "Bench";
        fJob.documents = {{indesignhost::ReadDocumentFile((fRoot / "Bench.indd").string()), {}}};
        for (int i = 0; i < cPages; ++i)
            fJob.documents[0].pages.push_back(i);
        fJob.settings.bleedTop = fJob.settings.bleedBottom = fJob.settings.bleedInside =
            fJob.settings.bleedOutside = cBleed;
        fJob.settings.cropMarks = true;
        fJob.fonts = &fFonts;
    }
    ~Workspace() { fs::remove_all(fRoot); }

    fs::path fRoot;
    indesignhost::FontFolders fFonts;
    indesignhost::PdfJob fJob;
};

Workspace& TheWorkspace()
{
    static Workspace workspace;
    return workspace;
}

void BM_HostWritePdf(benchmark::State& state)
{
    Workspace& space = TheWorkspace();
    std::string const path = (space.fRoot / "host.pdf").string();
    for (auto _ : state)
    {
        std::string error;
        if (!indesignhost::WritePdf(path, space.fJob, error))
            state.SkipWithError(error.c_str());
    }
    state.counters["bytes"] = static_cast<double>(fs::file_size(path));
}

void Line(cairo_t* cr, double x1, double y1, double x2, double y2)
{
    cairo_move_to(cr, x1, y1);
    cairo_line_to(cr, x2, y2);
}

// The same PDF drawn straight onto cairo's PDF surface.
void DrawDirectly(std::string const& path, indesignhost::HostDocument const& document)
{
    cairo_surface_t* const surface = cairo_pdf_surface_create(path.c_str(), 100, 100);
    cairo_pdf_surface_set_metadata(surface, CAIRO_PDF_METADATA_TITLE, "Bench");
    cairo_pdf_surface_set_metadata(surface, CAIRO_PDF_METADATA_CREATOR, "InDesign host stand-in");
    cairo_t* const cr = cairo_create(surface);
    FcPattern* const pattern = FcPatternCreate();
    std::string const font = (TheWorkspace().fRoot / "fonts/DejaVuSans.ttf").string();
    FcPatternAddString(pattern, FC_FILE, reinterpret_cast<FcChar8 const*>(font.c_str()));
    FcPatternAddInteger(pattern, FC_INDEX, 0);
    cairo_font_face_t* const face = cairo_ft_font_face_create_for_pattern(pattern);
    FcPatternDestroy(pattern);
    for (indesignhost::HostPage const& page : document.pages)
    {
        double const left = cMarkArea + cBleed;
        double const top = cMarkArea + cBleed;
        double const width = page.width + 2 * cBleed + 2 * cMarkArea;
        double const height = page.height + 2 * cBleed + 2 * cMarkArea;
        cairo_pdf_surface_set_size(surface, width, height);
        cairo_pdf_surface_set_page_label(surface, page.label.c_str());
        cairo_save(cr);
        cairo_rectangle(cr, left, top, page.width, page.height);
        cairo_clip(cr);
        cairo_set_source_rgb(cr, 0, 0, 0);
        cairo_set_font_size(cr, cTextSize);
        cairo_set_font_face(cr, face);
        cairo_move_to(cr, left + cMargin, top + cMargin + cTextSize);
        cairo_show_text(cr, page.text.c_str());
        cairo_restore(cr);
        cairo_save(cr);
        cairo_set_source_rgb(cr, 0.5, 0.5, 0.5);
        cairo_set_line_width(cr, 0.1);
        cairo_rectangle(cr, left, top, page.width, page.height);
        cairo_stroke(cr);
        cairo_restore(cr);
        cairo_set_source_rgb(cr, 0, 0, 0);
        cairo_set_line_width(cr, cMarkWeight);
        for (double x : {left, left + page.width})
        {
            Line(cr, x, 0, x, cMarkArea - cOffset);
            Line(cr, x, height - cMarkArea + cOffset, x, height);
        }
        for (double y : {top, top + page.height})
        {
            Line(cr, 0, y, cMarkArea - cOffset, y);
            Line(cr, width - cMarkArea + cOffset, y, width, y);
        }
        cairo_stroke(cr);
        cairo_show_page(cr);
    }
    cairo_destroy(cr);
    cairo_font_face_destroy(face);
    cairo_surface_finish(surface);
    cairo_surface_destroy(surface);
}

void BM_CairoDirect(benchmark::State& state)
{
    Workspace& space = TheWorkspace();
    std::string const path = (space.fRoot / "cairo.pdf").string();
    indesignhost::HostDocument const& document = space.fJob.documents[0].document;
    for (auto _ : state)
        DrawDirectly(path, document);
    state.counters["bytes"] = static_cast<double>(fs::file_size(path));
}

// Turns alternate, so that neither side gets a warmer cache.
BENCHMARK(BM_CairoDirect)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(40);
BENCHMARK(BM_HostWritePdf)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(40);
} // namespace

int main(int argc, char** argv)
{
    // One round of each first, so that neither side pays for loading the font or for the heap's
    // first growth.
    Workspace& space = TheWorkspace();
    std::string error;
    if (!indesignhost::WritePdf((space.fRoot / "host.pdf").string(), space.fJob, error))
        return 1;
    DrawDirectly((space.fRoot / "cairo.pdf").string(), space.fJob.documents[0].document);
    bench::Times const times = bench::RunAll(argc, argv);
    bench::PrintTimeRatio(times, "Host PDF export time, 200 pages / cairo drawing them directly",
                          "BM_HostWritePdf/iterations:40/real_time", "BM_CairoDirect/iterations:40/real_time",
                          "goal <= 1.1");
    return 0;
}
