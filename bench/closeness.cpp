// How close a render of a module is to a reference render of the same module, by what a listener
// hears: the loudness over time, the notes, and the treble.
//   closeness [--seconds] [--rate HZ] REFERENCE CANDIDATE
// --seconds adds a line per second of the reference: both levels, their distance and the pitch
// similarity there, to find where a render strays.
// Both are 16-bit stereo, WAV or headerless little-endian (raw files are taken at --rate, default
// 44,100 Hz). Both are mixed to mono, (L + R) / 2, so that the players' stereo separation does not
// count. The candidate is compared over the reference's length: cut when longer, padded with
// silence when shorter (a peer stops at the song's end, jingle renders the seconds asked for).
//
// Alignment. Levels are the RMS of 50 ms windows every 25 ms, in dB of full scale. The floor is
// 60 dB below the reference's loudest window. Reference frame t is matched with candidate frame
// lag + t x scale, for every lag within +-50 ms (1 ms steps) and every time scale within +-0.25 %
// (0.01 % steps): players round the frames of a tick differently (one frame in 432 at 255 BPM),
// which drifts apart by tens of milliseconds over 30 s; a wrong BPM is 0.4 % off or more. For each
// pairing the gain is the median of reference level minus candidate level over windows where both
// are above their own floors (the players' master gains differ); the candidate's levels plus the
// gain are then held to the floor like the reference's. The pairing with the smallest envelope
// distance is used by every measure below, and so is its gain.
//
// envelope: mean |reference level - candidate level| in dB over the windows where either is
//   above the floor (0 = the same loudness curve; wrong volume slides, envelopes, tempo or a
//   missing instrument raise it), and the correlation of the two level curves there.
// pitch: per 4,096-frame Hann window every 2,048 frames, the energy in semitone bands from C1 to
//   B7 (FFT bins by their centre frequency), as magnitudes; the cosine similarity of the two band
//   vectors (1 = the same notes in the same proportions, whatever the gain; a wrong note, a
//   semitone off, a missing or late instrument lower it), averaged with each window weighted by
//   its loudness above the floor (the louder of the two, in dB).
// hf: in the same windows, the levels of the bands 10-12.5 kHz, 12.5-16 kHz and 16 kHz up to half
//   the rate, in dB of full scale (Parseval, Hann-corrected; held to -90 dB, near 16-bit
//   quantisation noise), the candidate's raised by the gain; the mean |difference| over bands and
//   windows above the floor, and its signed mean (candidate minus reference: positive where the
//   candidate has more treble, such as the images of a coarser interpolation).
//
// A measuring tool, not part of the player: it uses the C library's maths and FFTW.
#include <fftw3.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <numbers>
#include <string>
#include <utility>
#include <vector>

namespace {

constexpr double FLOOR_BELOW_PEAK_DB = 60;
constexpr double HF_FLOOR_DB = -90;
constexpr int FFT_SIZE = 4096;
constexpr int FFT_HOP = 2048;
constexpr int LOWEST_NOTE = 24;    // C1, 32.7 Hz (MIDI numbering, A4 = 69 = 440 Hz)
constexpr int HIGHEST_NOTE = 107;  // B7, 3,951 Hz
constexpr double HF_EDGES[] = {10000, 12500, 16000};

struct Render {
  std::vector<float> mono;  // (L + R) / 2, full scale = 1
  int rate = 0;
};

std::uint32_t le32(const unsigned char* p) {
  return p[0] | p[1] << 8 | p[2] << 16 | static_cast<std::uint32_t>(p[3]) << 24;
}

// Reads a 16-bit stereo WAV file, or raw PCM when it does not start as one; false with a message.
bool readRender(const char* path, int rawRate, Render& render) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return std::fprintf(stderr, "closeness: cannot open %s\n", path), false;
  const std::vector<unsigned char> bytes((std::istreambuf_iterator<char>(in)),
                                         std::istreambuf_iterator<char>());
  const unsigned char* pcm = bytes.data();
  std::size_t size = bytes.size();
  render.rate = rawRate;
  if (size >= 12 && std::memcmp(pcm, "RIFF", 4) == 0 && std::memcmp(pcm + 8, "WAVE", 4) == 0) {
    bool formatOk = false;
    std::size_t at = 12;
    size = 0;
    while (at + 8 <= bytes.size()) {
      const std::size_t length = le32(&bytes[at + 4]);
      const unsigned char* body = &bytes[at + 8];
      const std::size_t available = std::min(length, bytes.size() - at - 8);
      if (std::memcmp(&bytes[at], "fmt ", 4) == 0 && available >= 16) {
        const int tag = body[0] | body[1] << 8;
        formatOk = (tag == 1 || tag == 0xFFFE) && (body[2] | body[3] << 8) == 2 &&
                   (body[14] | body[15] << 8) == 16;
        render.rate = static_cast<int>(le32(body + 4));
      } else if (std::memcmp(&bytes[at], "data", 4) == 0) {
        pcm = body;
        size = available;
        break;
      }
      at += 8 + length + (length & 1);
    }
    if (!formatOk) {
      std::fprintf(stderr, "closeness: %s is not a 16-bit stereo PCM WAV file\n", path);
      return false;
    }
  }
  render.mono.resize(size / 4);
  for (std::size_t i = 0; i < render.mono.size(); ++i) {
    const auto left = static_cast<std::int16_t>(pcm[4 * i] | pcm[4 * i + 1] << 8);
    const auto right = static_cast<std::int16_t>(pcm[4 * i + 2] | pcm[4 * i + 3] << 8);
    render.mono[i] = static_cast<float>((left + right) / 65536.0);
  }
  return true;
}

double decibels(double meanSquare) {
  return 10 * std::log10(meanSquare + 1e-20);
}

// Sums of squares of a signal, so that any window's mean square costs two look-ups; frames outside
// the signal are silence.
struct Energy {
  std::vector<double> prefix;
  explicit Energy(const std::vector<float>& x) : prefix(x.size() + 1) {
    for (std::size_t i = 0; i < x.size(); ++i)
      prefix[i + 1] = prefix[i] + double(x[i]) * x[i];
  }
  double level(long start, long frames) const {  // dB of full scale
    const long size = static_cast<long>(prefix.size()) - 1;
    const long from = std::clamp(start, 0L, size), to = std::clamp(start + frames, 0L, size);
    return decibels((prefix[to] - prefix[from]) / frames);
  }
};

double median(std::vector<double> values) {
  if (values.empty()) return 0;
  const auto middle = values.begin() + values.size() / 2;
  std::nth_element(values.begin(), middle, values.end());
  return *middle;
}

struct Envelope {
  long lag = 0;      // candidate frames later than the reference at its start
  double scale = 1;  // candidate frames per reference frame
  double gain = 0;   // dB added to the candidate's levels
  double floor = 0;  // dB of full scale
  double distance = 1e9;
  double correlation = 0;
};

// The reference's window levels, and the candidate's energy to take windows from.
struct Levels {
  std::vector<double> reference;
  double floor;
  Energy candidate;
  long window, hop;
};

// The envelope distance, gain and correlation with the candidate at one lag and time scale.
Envelope alignAt(const Levels& levels, long lag, double scale) {
  const std::vector<double>& ref = levels.reference;
  std::vector<double> cand(ref.size()), differences;
  for (std::size_t i = 0; i < ref.size(); ++i) {
    cand[i] = levels.candidate.level(lag + std::lround(i * levels.hop * scale), levels.window);
  }
  const double candFloor = *std::max_element(cand.begin(), cand.end()) - FLOOR_BELOW_PEAK_DB;
  for (std::size_t i = 0; i < ref.size(); ++i) {
    if (ref[i] > levels.floor && cand[i] > candFloor) differences.push_back(ref[i] - cand[i]);
  }
  const double gain = median(differences);
  double sum = 0, sumA = 0, sumB = 0, sumAA = 0, sumBB = 0, sumAB = 0;
  long counted = 0;
  for (std::size_t i = 0; i < ref.size(); ++i) {
    const double a = std::max(ref[i], levels.floor);
    const double b = std::max(cand[i] + gain, levels.floor);
    if (a <= levels.floor && b <= levels.floor) continue;
    sum += std::abs(a - b);
    sumA += a, sumB += b, sumAA += a * a, sumBB += b * b, sumAB += a * b;
    ++counted;
  }
  const double n = counted ? counted : 1;
  const double spread = std::sqrt((sumAA - sumA * sumA / n) * (sumBB - sumB * sumB / n));
  return {lag,          scale,   gain,
          levels.floor, sum / n, spread > 0 ? (sumAB - sumA * sumB / n) / spread : 0};
}

Envelope compareEnvelopes(const Render& reference, const Render& candidate) {
  const long window = reference.rate / 20, millisecond = reference.rate / 1000;
  Levels levels{{}, 0, Energy(candidate.mono), window, window / 2};
  const Energy ref(reference.mono);
  for (long start = 0; start + window <= static_cast<long>(reference.mono.size());
       start += levels.hop) {
    levels.reference.push_back(ref.level(start, window));
  }
  levels.floor =
      *std::max_element(levels.reference.begin(), levels.reference.end()) - FLOOR_BELOW_PEAK_DB;
  Envelope best;
  for (int permyriad = -25; permyriad <= 25; ++permyriad) {
    for (long lag = -50 * millisecond; lag <= 50 * millisecond; lag += millisecond) {
      const Envelope at = alignAt(levels, lag, 1 + permyriad / 10000.0);
      if (at.distance < best.distance) best = at;
    }
  }
  return best;
}

struct Spectral {
  double pitch = 0;
  double hfDistance = 0;
  double hfBias = 0;
  int hfBands = 0;
  std::vector<std::pair<long, double>> windows;  // each measured window's start and cosine
};

// Pitch and treble over FFT windows of the reference and the aligned candidate.
Spectral compareSpectra(const Render& reference, const Render& candidate, const Envelope& env) {
  const double rate = reference.rate;
  std::vector<int> noteBand(FFT_SIZE / 2 + 1, -1), hfBand(FFT_SIZE / 2 + 1, -1);
  int hfBands = 0;
  for (const double edge : HF_EDGES)
    hfBands += edge < rate / 2;
  for (int k = 1; k < FFT_SIZE / 2; ++k) {
    const double hertz = k * rate / FFT_SIZE;
    const int note = static_cast<int>(std::lround(69 + 12 * std::log2(hertz / 440)));
    if (note >= LOWEST_NOTE && note <= HIGHEST_NOTE) noteBand[k] = note - LOWEST_NOTE;
    for (int b = 0; b < hfBands; ++b) {
      if (hertz >= HF_EDGES[b]) hfBand[k] = b;
    }
  }
  std::vector<double> hann(FFT_SIZE);
  double hannSquares = 0;
  for (int i = 0; i < FFT_SIZE; ++i) {
    hann[i] = 0.5 - 0.5 * std::cos(2 * std::numbers::pi * i / FFT_SIZE);
    hannSquares += hann[i] * hann[i];
  }
  double* in = fftw_alloc_real(FFT_SIZE);
  fftw_complex* out = fftw_alloc_complex(FFT_SIZE / 2 + 1);
  const fftw_plan plan = fftw_plan_dft_r2c_1d(FFT_SIZE, in, out, FFTW_ESTIMATE);
  constexpr int NOTES = HIGHEST_NOTE - LOWEST_NOTE + 1;
  // Band energies and treble levels of one window of a render starting at a frame.
  auto analyse = [&](const std::vector<float>& x, long start, double(&notes)[NOTES],
                     double(&hf)[std::size(HF_EDGES)]) {
    for (int i = 0; i < FFT_SIZE; ++i) {
      const long at = start + i;
      in[i] = at >= 0 && at < static_cast<long>(x.size()) ? x[at] * hann[i] : 0;
    }
    fftw_execute(plan);
    std::fill(std::begin(notes), std::end(notes), 0.0);
    std::fill(std::begin(hf), std::end(hf), 0.0);
    for (int k = 1; k < FFT_SIZE / 2; ++k) {
      const double power = out[k][0] * out[k][0] + out[k][1] * out[k][1];
      if (noteBand[k] >= 0) notes[noteBand[k]] += power;
      if (hfBand[k] >= 0) hf[hfBand[k]] += power;
    }
    for (double& band : hf)
      band = decibels(2 * band / (FFT_SIZE * hannSquares));
  };
  Spectral result;
  const Energy ref(reference.mono), cand(candidate.mono);
  double refNotes[NOTES], candNotes[NOTES], refHf[std::size(HF_EDGES)], candHf[std::size(HF_EDGES)];
  double weighted = 0, weights = 0, hfSum = 0, hfSigned = 0;
  long hfCount = 0;
  for (long start = 0; start + FFT_SIZE <= static_cast<long>(reference.mono.size());
       start += FFT_HOP) {
    const long candStart = env.lag + std::lround(start * env.scale);
    const double loudness =
        std::max(ref.level(start, FFT_SIZE), cand.level(candStart, FFT_SIZE) + env.gain);
    const double weight = loudness - env.floor;
    if (weight <= 0) continue;
    analyse(reference.mono, start, refNotes, refHf);
    analyse(candidate.mono, candStart, candNotes, candHf);
    double dot = 0, refNorm = 0, candNorm = 0;
    for (int b = 0; b < NOTES; ++b) {
      dot += std::sqrt(refNotes[b] * candNotes[b]);
      refNorm += refNotes[b], candNorm += candNotes[b];
    }
    const double cosine = refNorm > 0 && candNorm > 0 ? dot / std::sqrt(refNorm * candNorm) : 0;
    weighted += weight * cosine;
    weights += weight;
    result.windows.emplace_back(start, cosine);
    for (int b = 0; b < hfBands; ++b) {
      const double difference =
          std::max(candHf[b] + env.gain, HF_FLOOR_DB) - std::max(refHf[b], HF_FLOOR_DB);
      hfSum += std::abs(difference), hfSigned += difference, ++hfCount;
    }
  }
  fftw_destroy_plan(plan);
  fftw_free(out);
  fftw_free(in);
  result.pitch = weights > 0 ? weighted / weights : 0;
  result.hfDistance = hfCount ? hfSum / hfCount : 0;
  result.hfBias = hfCount ? hfSigned / hfCount : 0;
  result.hfBands = hfBands;
  return result;
}

// One line per second of the reference: both levels (the candidate's aligned and raised by the
// gain), their mean |difference| over the second's 50 ms windows and the mean pitch cosine of the
// FFT windows that start in it; where a render strays, and how.
void printSeconds(const Render& reference, const Render& candidate, const Envelope& env,
                  const Spectral& spectral) {
  const long rate = reference.rate, window = rate / 20;
  const Energy ref(reference.mono), cand(candidate.mono);
  std::printf("second  reference  candidate  |difference|  pitch\n");
  for (long second = 0; second * rate + window <= static_cast<long>(reference.mono.size());
       ++second) {
    double refSum = 0, candSum = 0, difference = 0, cosine = 0;
    int levels = 0, cosines = 0;
    for (long start = second * rate;
         start < (second + 1) * rate && start + window <= static_cast<long>(reference.mono.size());
         start += window / 2, ++levels) {
      const double a = std::max(ref.level(start, window), env.floor);
      const double b = std::max(
          cand.level(env.lag + std::lround(start * env.scale), window) + env.gain, env.floor);
      refSum += a, candSum += b, difference += std::abs(a - b);
    }
    for (const auto& [start, value] : spectral.windows) {
      if (start / rate == second) cosine += value, ++cosines;
    }
    std::printf("%6ld  %9.1f  %9.1f  %12.2f  %s\n", second, refSum / levels, candSum / levels,
                difference / levels,
                cosines > 0 ? std::to_string(cosine / cosines).substr(0, 5).c_str() : "-");
  }
}

}  // namespace

int main(int argc, char** argv) {
  int rawRate = 44100;
  int arg = 1;
  bool seconds = false;
  if (argc > arg && std::strcmp(argv[arg], "--seconds") == 0) seconds = true, ++arg;
  if (argc - arg == 4 && std::strcmp(argv[arg], "--rate") == 0)
    rawRate = std::atoi(argv[arg + 1]), arg += 2;
  if (argc - arg != 2 || rawRate < 8000) {
    std::fprintf(stderr, "usage: closeness [--seconds] [--rate HZ] REFERENCE CANDIDATE\n");
    return 2;
  }
  Render reference, candidate;
  if (!readRender(argv[arg], rawRate, reference) || !readRender(argv[arg + 1], rawRate, candidate))
    return 2;
  if (reference.rate != candidate.rate) {
    std::fprintf(stderr, "closeness: the renders' rates differ (%d and %d Hz)\n", reference.rate,
                 candidate.rate);
    return 2;
  }
  if (reference.mono.size() < static_cast<std::size_t>(std::max(FFT_SIZE, reference.rate / 20))) {
    std::fprintf(stderr, "closeness: the reference is too short to measure\n");
    return 2;
  }
  const Envelope env = compareEnvelopes(reference, candidate);
  const Spectral spectral = compareSpectra(reference, candidate, env);
  std::printf("envelope %6.2f dB   mean |level difference| of 50 ms windows (correlation %.3f)\n",
              env.distance, env.correlation);
  std::printf("pitch    %6.3f      loudness-weighted cosine of semitone spectra\n", spectral.pitch);
  if (spectral.hfBands > 0) {
    std::printf(
        "hf       %6.2f dB   mean |band level difference| above 10 kHz (candidate %+.2f dB)"
        "\n",
        spectral.hfDistance, spectral.hfBias);
  }
  std::printf(
      "aligned  lag %+.1f ms, time scale %.4f, gain %+.2f dB, %.2f s compared "
      "(candidate %.2f s)\n",
      1000.0 * env.lag / reference.rate, env.scale, env.gain,
      double(reference.mono.size()) / reference.rate,
      double(candidate.mono.size()) / candidate.rate);
  if (seconds) printSeconds(reference, candidate, env, spectral);
  return 0;
}
