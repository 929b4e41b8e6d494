// Draws the application's pictures: the main window's background (330 x 225), the About box's
// title strip (396 x 25), both 24-bit BMPs, and the icon (16, 32 and 48 pixels, 32-bit). All of it
// is computed here: letters from round strokes, a gradient sky, waves and level bars.
//   draw_art OUTPUT_DIR      writes background.bmp, about_title.bmp and jingle.ico
// A test checks that the committed pictures are this program's output.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

namespace {

constexpr double PI = 3.14159265358979323846;

struct Colour {
  double r, g, b;
};

Colour mix(Colour a, Colour b, double t) {
  return {a.r + (b.r - a.r) * t, a.g + (b.g - a.g) * t, a.b + (b.b - a.b) * t};
}

struct Canvas {
  int width, height;
  std::vector<Colour> pixels;
  std::vector<double> alpha;  // coverage, for the icon's transparent corners
  Canvas(int w, int h) : width(w), height(h), pixels(w * h, Colour{0, 0, 0}), alpha(w * h, 1.0) {}
  Colour& at(int x, int y) { return pixels[y * width + x]; }
  void blend(int x, int y, Colour c, double coverage) {
    if (x < 0 || y < 0 || x >= width || y >= height || coverage <= 0) return;
    Colour& p = at(x, y);
    p = mix(p, c, std::min(coverage, 1.0));
  }
};

// Round strokes: segments in glyph units (x-height 1, baseline 0, y up).
struct Segment {
  double x0, y0, x1, y1;
};
using Strokes = std::vector<Segment>;

void line(Strokes& s, double x0, double y0, double x1, double y1) { s.push_back({x0, y0, x1, y1}); }

// An arc from angle a0 to a1 (degrees, counter-clockwise positive), as short segments.
void arc(Strokes& s, double cx, double cy, double r, double a0, double a1) {
  const int steps = std::max(4, static_cast<int>(std::abs(a1 - a0) / 8));
  for (int i = 0; i < steps; ++i) {
    const double t0 = (a0 + (a1 - a0) * i / steps) * PI / 180;
    const double t1 = (a0 + (a1 - a0) * (i + 1) / steps) * PI / 180;
    line(s, cx + r * std::cos(t0), cy + r * std::sin(t0), cx + r * std::cos(t1),
         cy + r * std::sin(t1));
  }
}

void dot(Strokes& s, double x, double y) { line(s, x, y, x, y); }

// A glyph's strokes and its advance.
double glyph(char c, Strokes& s) {
  switch (c) {
    case 'a': arc(s, 0.5, 0.5, 0.5, 0, 360); line(s, 1, 0, 1, 1); return 1.0;
    case 'b': arc(s, 0.5, 0.5, 0.5, 0, 360); line(s, 0, 0, 0, 1.7); return 1.0;
    case 'd': arc(s, 0.5, 0.5, 0.5, 0, 360); line(s, 1, 0, 1, 1.7); return 1.0;
    case 'e': arc(s, 0.5, 0.5, 0.5, 0, 320); line(s, 0, 0.5, 1, 0.5); return 1.0;
    case 'g':
      arc(s, 0.5, 0.5, 0.5, 0, 360); line(s, 1, 1, 1, -0.2); arc(s, 0.5, -0.2, 0.5, 0, -150);
      return 1.0;
    case 'i': line(s, 0, 0, 0, 1); dot(s, 0, 1.5); return 0.0;
    case 'j': line(s, 0.3, 1, 0.3, -0.3); arc(s, 0, -0.3, 0.3, 0, -180); dot(s, 0.3, 1.5); return 0.5;
    case 'l': line(s, 0, 0, 0, 1.7); return 0.0;
    case 'm':
      line(s, 0, 0, 0, 1); arc(s, 0.35, 0.65, 0.35, 180, 0); line(s, 0.7, 0.65, 0.7, 0);
      arc(s, 1.05, 0.65, 0.35, 180, 0); line(s, 1.4, 0.65, 1.4, 0);
      return 1.4;
    case 'n': line(s, 0, 0, 0, 1); arc(s, 0.45, 0.55, 0.45, 180, 0); line(s, 0.9, 0.55, 0.9, 0); return 0.9;
    case 'o': arc(s, 0.5, 0.5, 0.5, 0, 360); return 1.0;
    case 'p': arc(s, 0.5, 0.5, 0.5, 0, 360); line(s, 0, 1, 0, -0.7); return 1.0;
    case 'r': line(s, 0, 0, 0, 1); arc(s, 0.5, 0.5, 0.5, 180, 60); return 0.75;
    case 't': line(s, 0.25, 0, 0.25, 1.45); line(s, 0, 1, 0.6, 1); return 0.6;
    case 'u': line(s, 0, 1, 0, 0.45); arc(s, 0.45, 0.45, 0.45, 180, 360); line(s, 0.9, 0, 0.9, 1); return 0.9;
    case 'y': line(s, 0, 1, 0.5, 0); line(s, 1, 1, 0.25, -0.7); return 1.0;
    default: return 0.6;  // a space
  }
}

// The strokes of a word in pixels: left edge at x, baseline at y (pixels grow downward).
Strokes layoutText(const std::string& text, double x, double y, double xHeight, double gap,
                   double* widthOut = nullptr) {
  Strokes out;
  double pen = x;
  for (char c : text) {
    Strokes g;
    const double advance = glyph(c, g);
    for (const Segment& seg : g) {
      out.push_back({pen + seg.x0 * xHeight, y - seg.y0 * xHeight, pen + seg.x1 * xHeight,
                     y - seg.y1 * xHeight});
    }
    pen += (advance + gap) * xHeight;
  }
  if (widthOut != nullptr) *widthOut = pen - x - gap * xHeight;
  return out;
}

double textWidth(const std::string& text, double xHeight, double gap) {
  double width = 0;
  layoutText(text, 0, 0, xHeight, gap, &width);
  return width;
}

double distanceTo(const Segment& s, double px, double py) {
  const double dx = s.x1 - s.x0, dy = s.y1 - s.y0;
  const double lengthSquared = dx * dx + dy * dy;
  double t = lengthSquared > 0 ? ((px - s.x0) * dx + (py - s.y0) * dy) / lengthSquared : 0;
  t = std::clamp(t, 0.0, 1.0);
  const double ex = s.x0 + t * dx - px, ey = s.y0 + t * dy - py;
  return std::sqrt(ex * ex + ey * ey);
}

double distanceTo(const Strokes& strokes, double px, double py) {
  double best = 1e9;
  for (const Segment& s : strokes) best = std::min(best, distanceTo(s, px, py));
  return best;
}

// Paints strokes of the given half width, with a soft glow of glowRadius around them.
void paintStrokes(Canvas& canvas, const Strokes& strokes, double halfWidth, Colour top,
                  Colour bottom, double glowRadius, Colour glow) {
  double minY = 1e9, maxY = -1e9;
  for (const Segment& s : strokes) {
    minY = std::min({minY, s.y0, s.y1});
    maxY = std::max({maxY, s.y0, s.y1});
  }
  for (int y = 0; y < canvas.height; ++y) {
    for (int x = 0; x < canvas.width; ++x) {
      const double d = distanceTo(strokes, x + 0.5, y + 0.5);
      if (glowRadius > 0 && d < halfWidth + glowRadius) {
        const double t = 1 - (d - halfWidth) / glowRadius;
        canvas.blend(x, y, glow, 0.55 * t * t);
      }
      const double coverage = std::clamp(halfWidth - d + 0.5, 0.0, 1.0);
      const double t = std::clamp((y + 0.5 - minY + halfWidth) / (maxY - minY + 2 * halfWidth), 0.0, 1.0);
      canvas.blend(x, y, mix(top, bottom, t), coverage);
    }
  }
}

const Colour BLUE{0, 174, 255};
const Colour WHITE{255, 255, 255};
const Colour ICE{200, 236, 255};

Canvas drawBackground() {
  Canvas canvas(330, 225);
  // Night sky, lighter toward the horizon.
  for (int y = 0; y < canvas.height; ++y) {
    const double t = y / 224.0;
    const Colour sky = t < 0.62 ? mix(Colour{4, 8, 26}, Colour{12, 34, 74}, t / 0.62)
                                : mix(Colour{12, 34, 74}, Colour{2, 6, 16}, (t - 0.62) / 0.38);
    for (int x = 0; x < canvas.width; ++x) canvas.at(x, y) = sky;
  }
  // Stars from a fixed sequence.
  std::uint32_t seed = 12345;
  auto next = [&seed] { return (seed = seed * 1664525u + 1013904223u) >> 8; };
  for (int i = 0; i < 90; ++i) {
    const int x = static_cast<int>(next() % 330), y = static_cast<int>(next() % 130);
    const double brightness = 0.25 + (next() % 100) / 160.0;
    canvas.blend(x, y, WHITE, brightness);
  }
  // Three waves across the lower middle, like a trace of the music.
  for (int wave = 0; wave < 3; ++wave) {
    const double amplitude = 9 - wave * 2.5, phase = wave * 1.9, period = 70 + wave * 23;
    const double base = 150 + wave * 6;
    for (int y = 110; y < 190; ++y) {
      for (int x = 0; x < canvas.width; ++x) {
        const double curve = base + amplitude * std::sin(2 * PI * x / period + phase);
        const double d = std::abs(y + 0.5 - curve);
        if (d < 6) canvas.blend(x, y, BLUE, (wave == 0 ? 0.7 : 0.4) * std::pow(1 - d / 6, 2.2));
      }
    }
  }
  // Level bars between the two buttons (the window shows x 16 .. 312).
  for (int bar = 0; bar < 17; ++bar) {
    const int x0 = 96 + bar * 8;
    const double level = 0.5 + 0.45 * std::sin(bar * 0.9) * std::cos(bar * 0.37);
    const int height = 4 + static_cast<int>(level * 22);
    for (int y = 214 - height; y < 214; ++y) {
      for (int x = x0; x < x0 + 5; ++x) {
        canvas.blend(x, y, mix(WHITE, BLUE, (214.0 - y) / 26.0), (y % 2 == 0) ? 0.85 : 0.55);
      }
    }
  }
  // The name, centred in the visible part, with a tagline.
  constexpr double centre = 16 + 297 / 2.0;
  const double nameHeight = 36, nameGap = 0.42;
  const double nameWidth = textWidth("jingle", nameHeight, nameGap);
  paintStrokes(canvas, layoutText("jingle", centre - nameWidth / 2, 92, nameHeight, nameGap), 4.2,
               WHITE, ICE, 9, BLUE);
  const double tagHeight = 8, tagGap = 0.5;
  const double tagWidth = textWidth("module player", tagHeight, tagGap);
  paintStrokes(canvas, layoutText("module player", centre - tagWidth / 2, 128, tagHeight, tagGap),
               1.05, BLUE, BLUE, 0, BLUE);
  return canvas;
}

Canvas drawTitle() {
  Canvas canvas(396, 25);
  for (int y = 0; y < canvas.height; ++y) {
    const Colour shade = mix(Colour{14, 40, 86}, Colour{3, 8, 22}, y / 24.0);
    for (int x = 0; x < canvas.width; ++x) canvas.at(x, y) = shade;
  }
  for (int x = 0; x < canvas.width; ++x) canvas.at(x, 24) = BLUE;
  paintStrokes(canvas, layoutText("about jingle", 9, 17, 8, 0.45), 1.15, WHITE, ICE, 3, BLUE);
  return canvas;
}

Canvas drawIcon(int size) {
  Canvas canvas(size, size);
  const double s = size, radius = s * 0.22, inset = 0.5;
  for (int y = 0; y < size; ++y) {
    for (int x = 0; x < size; ++x) {
      // Rounded square: distance outside the inner rectangle.
      const double px = x + 0.5, py = y + 0.5;
      const double dx = std::max({inset + radius - px, 0.0, px - (s - inset - radius)});
      const double dy = std::max({inset + radius - py, 0.0, py - (s - inset - radius)});
      const double outside = std::sqrt(dx * dx + dy * dy) - radius;
      canvas.alpha[y * size + x] = std::clamp(0.5 - outside, 0.0, 1.0);
      canvas.at(x, y) = mix(Colour{20, 110, 230}, Colour{4, 20, 70}, py / s);
    }
  }
  const double xHeight = s * 0.38;
  paintStrokes(canvas, layoutText("j", s * 0.38, s * 0.72, xHeight, 0), std::max(1.0, s / 13),
               WHITE, ICE, 0, WHITE);
  return canvas;
}

std::uint8_t channel(double v) {
  return static_cast<std::uint8_t>(std::clamp(std::lround(v), 0L, 255L));
}

void put16(std::string& out, std::uint32_t v) {
  out += static_cast<char>(v & 0xFF);
  out += static_cast<char>((v >> 8) & 0xFF);
}
void put32(std::string& out, std::uint32_t v) {
  put16(out, v & 0xFFFF);
  put16(out, v >> 16);
}

// pixelsPerMetre: 2835 (72 DPI) for pictures; icon images leave the resolution at 0.
std::string infoHeader(int width, int height, int bits, std::uint32_t imageBytes,
                       std::uint32_t pixelsPerMetre) {
  std::string out;
  put32(out, 40);
  put32(out, static_cast<std::uint32_t>(width));
  put32(out, static_cast<std::uint32_t>(height));
  put16(out, 1);
  put16(out, static_cast<std::uint32_t>(bits));
  put32(out, 0);
  put32(out, imageBytes);
  put32(out, pixelsPerMetre);
  put32(out, pixelsPerMetre);
  put32(out, 0);
  put32(out, 0);
  return out;
}

std::string bmp24(Canvas& canvas) {
  const int rowBytes = (canvas.width * 3 + 3) / 4 * 4;
  std::string pixels;
  for (int y = canvas.height - 1; y >= 0; --y) {
    for (int x = 0; x < canvas.width; ++x) {
      const Colour c = canvas.at(x, y);
      pixels += static_cast<char>(channel(c.b));
      pixels += static_cast<char>(channel(c.g));
      pixels += static_cast<char>(channel(c.r));
    }
    pixels.append(rowBytes - canvas.width * 3, '\0');
  }
  std::string out = "BM";
  put32(out, static_cast<std::uint32_t>(54 + pixels.size()));
  put32(out, 0);
  put32(out, 54);
  out +=
      infoHeader(canvas.width, canvas.height, 24, static_cast<std::uint32_t>(pixels.size()), 2835);
  return out + pixels;
}

// One icon image: a 32-bit bottom-up DIB of twice the height (colour, then the AND mask).
std::string iconImage(Canvas& canvas) {
  const int size = canvas.width;
  std::string colour, mask;
  const int maskRow = (size + 31) / 32 * 4;
  for (int y = size - 1; y >= 0; --y) {
    std::string row(maskRow, '\0');
    for (int x = 0; x < size; ++x) {
      const Colour c = canvas.at(x, y);
      const double a = canvas.alpha[y * size + x];
      colour += static_cast<char>(channel(c.b * a));  // premultiplied edges stay dark
      colour += static_cast<char>(channel(c.g * a));
      colour += static_cast<char>(channel(c.r * a));
      colour += static_cast<char>(channel(a * 255));
      if (a < 0.5) row[x / 8] = static_cast<char>(row[x / 8] | (0x80 >> (x % 8)));
    }
    mask += row;
  }
  return infoHeader(size, size * 2, 32, static_cast<std::uint32_t>(colour.size() + mask.size()),
                    0) +
         colour + mask;
}

std::string icoFile(std::vector<Canvas>& images) {
  std::string out;
  put16(out, 0);
  put16(out, 1);
  put16(out, static_cast<std::uint32_t>(images.size()));
  std::vector<std::string> bodies;
  for (Canvas& image : images) bodies.push_back(iconImage(image));
  std::uint32_t offset = 6 + 16 * static_cast<std::uint32_t>(images.size());
  for (std::size_t i = 0; i < images.size(); ++i) {
    out += static_cast<char>(images[i].width);
    out += static_cast<char>(images[i].height);
    out += '\0';  // no palette
    out += '\0';
    put16(out, 1);
    put16(out, 32);
    put32(out, static_cast<std::uint32_t>(bodies[i].size()));
    put32(out, offset);
    offset += static_cast<std::uint32_t>(bodies[i].size());
  }
  for (const std::string& body : bodies) out += body;
  return out;
}

bool write(const std::string& path, const std::string& bytes) {
  std::FILE* file = std::fopen(path.c_str(), "wb");
  if (file == nullptr) return false;
  const bool ok = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
  return std::fclose(file) == 0 && ok;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: draw_art OUTPUT_DIR\n");
    return 2;
  }
  const std::string dir = argv[1];
  std::error_code error;
  std::filesystem::create_directories(dir, error);
  Canvas background = drawBackground();
  Canvas title = drawTitle();
  std::vector<Canvas> icons{drawIcon(48), drawIcon(32), drawIcon(16)};
  const bool ok = write(dir + "/background.bmp", bmp24(background)) &&
                  write(dir + "/about_title.bmp", bmp24(title)) &&
                  write(dir + "/jingle.ico", icoFile(icons));
  if (!ok) std::fprintf(stderr, "draw_art: cannot write into %s\n", dir.c_str());
  return ok ? 0 : 1;
}
