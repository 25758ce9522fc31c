#include "audio_support.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <numbers>

namespace encoders_test {

std::vector<int16_t> TestPcm(int channels, int rate, double seconds)
{
    const auto frames = static_cast<size_t>(seconds * rate);
    std::vector<int16_t> pcm(frames * static_cast<size_t>(channels));
    const double pi = std::numbers::pi;
    for (size_t i = 0; i < frames; ++i) {
        const double t = static_cast<double>(i) / rate;
        // Phase of a chirp from f0 to f1 over the whole signal.
        const auto chirp = [&](double f0, double f1) {
            return std::sin(2 * pi * (f0 * t + (f1 - f0) * t * t / (2 * seconds)));
        };
        const double left = 0.5 * chirp(200, 3000);
        const double right = 0.35 * std::sin(2 * pi * 660 * t) + 0.25 * chirp(4000, 300);
        pcm[i * channels] = static_cast<int16_t>(std::lround(left * 32767));
        if (channels == 2)
            pcm[i * channels + 1] = static_cast<int16_t>(std::lround(right * 32767));
    }
    return pcm;
}

CommandResult Shell(const std::string &command)
{
    CommandResult result;
    FILE *pipe = popen((command + " 2>/dev/null").c_str(), "r");
    if (!pipe)
        return result;
    char buffer[4096];
    size_t got;
    while ((got = fread(buffer, 1, sizeof buffer, pipe)) > 0)
        result.output.append(buffer, got);
    const int status = pclose(pipe);
    result.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return result;
}

std::string Quoted(const std::filesystem::path &path)
{
    return "'" + path.string() + "'";
}

std::vector<uint8_t> ReadFile(const std::filesystem::path &path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

std::vector<int16_t> ReadSamples(const std::filesystem::path &path)
{
    const std::vector<uint8_t> bytes = ReadFile(path);
    std::vector<int16_t> samples(bytes.size() / 2);
    for (size_t i = 0; i < samples.size(); ++i)
        samples[i] = static_cast<int16_t>(bytes[2 * i] | (bytes[2 * i + 1] << 8));
    return samples;
}

double AlignedSnr(const std::vector<int16_t> &source, const std::vector<int16_t> &decoded, int channels,
                  int maxLag, int *lag)
{
    const auto frames = static_cast<long>(source.size() / channels);
    const auto decodedFrames = static_cast<long>(decoded.size() / channels);
    // Match a window from the middle, where neither end's transient interferes.
    const long from = frames / 4;
    const long to = std::min(frames * 3 / 4, decodedFrames - maxLag);
    double best = -1e300;
    *lag = 0;
    for (int candidate = 0; candidate <= maxLag; ++candidate) {
        double sum = 0;
        for (long i = from; i < to; i += 2)
            sum += double(source[i * channels]) * decoded[(i + candidate) * channels];
        if (sum > best) {
            best = sum;
            *lag = candidate;
        }
    }
    double signal = 0;
    double noise = 0;
    const long margin = 2048;
    for (long i = margin; i < frames - margin && i + *lag < decodedFrames; ++i) {
        for (int c = 0; c < channels; ++c) {
            const double s = source[i * channels + c];
            const double d = decoded[(i + *lag) * channels + c];
            signal += s * s;
            noise += (s - d) * (s - d);
        }
    }
    return 10 * std::log10(signal / std::max(noise, 1.0));
}

TempDir::TempDir()
{
    std::string pattern = (std::filesystem::temp_directory_path() / "quavrel-encoders-XXXXXX").string();
    if (mkdtemp(pattern.data()))
        path_ = pattern;
}

TempDir::~TempDir()
{
    std::error_code ignored;
    if (!path_.empty())
        std::filesystem::remove_all(path_, ignored);
}

std::filesystem::path BuildBinDir()
{
    const char *build = std::getenv("QUAVREL_BUILD_DIR");
    return std::filesystem::path(build ? build : ".") / "bin";
}

} // namespace encoders_test
