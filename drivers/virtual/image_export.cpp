#include "drivers/virtual/image_export.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <filesystem>

#include "drivers/virtual/checksums.h"

#ifdef __linux__
#include <cerrno>

#include <fcntl.h>
#include <stdio.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace vdisplay {

namespace {

void PutBigEndian32(std::vector<std::uint8_t>& out, std::uint32_t value)
{
    out.push_back(static_cast<std::uint8_t>(value >> 24));
    out.push_back(static_cast<std::uint8_t>(value >> 16));
    out.push_back(static_cast<std::uint8_t>(value >> 8));
    out.push_back(static_cast<std::uint8_t>(value));
}

void PutRgb(std::vector<std::uint8_t>& out, std::uint32_t colour)
{
    out.push_back(static_cast<std::uint8_t>(colour >> 16));
    out.push_back(static_cast<std::uint8_t>(colour >> 8));
    out.push_back(static_cast<std::uint8_t>(colour));
}

// Starts a chunk; gives where its type begins, for FinishChunk.
std::size_t BeginChunk(std::vector<std::uint8_t>& out, const char (&type)[5])
{
    PutBigEndian32(out, 0); // length, filled in by FinishChunk
    const std::size_t start = out.size();
    out.insert(out.end(), type, type + 4);
    return start;
}

void FinishChunk(std::vector<std::uint8_t>& out, std::size_t start)
{
    const std::size_t length = out.size() - start - 4;
    for (int i = 0; i < 4; ++i)
        out[start - 4 + static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(length >> (24 - 8 * i));
    PutBigEndian32(out, Crc32(out.data() + start, out.size() - start));
}

} // namespace

ImageFormat FormatForPath(const std::string& path)
{
    static const char kPng[] = ".png";
    if (path.size() < 4)
        return ImageFormat::Pbm;
    const bool png = std::equal(path.end() - 4, path.end(), kPng, kPng + 4, [](char a, char b) {
        return std::tolower(static_cast<unsigned char>(a)) == b;
    });
    return png ? ImageFormat::Png : ImageFormat::Pbm;
}

void EncodePbm(const std::uint8_t* picture, std::uint32_t width, std::uint32_t height, std::vector<std::uint8_t>& out)
{
    const std::string header = "P4\n" + std::to_string(width) + " " + std::to_string(height) + "\n";
    const std::size_t rowBytes = (std::size_t{width} + 7) / 8;
    out.assign(header.begin(), header.end());
    out.resize(header.size() + rowBytes * height, 0);
    std::uint8_t* packed = out.data() + header.size();
    for (std::size_t y = 0; y < height; ++y)
        for (std::size_t x = 0; x < width; ++x)
            if (picture[y * width + x] != 0)
                packed[y * rowBytes + x / 8] |= static_cast<std::uint8_t>(0x80u >> (x % 8));
}

void EncodePng(const std::uint8_t* picture, std::uint32_t width, std::uint32_t height, std::uint32_t litColour,
               std::uint32_t unlitColour, std::vector<std::uint8_t>& out)
{
    static const std::uint8_t kSignature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    constexpr std::size_t kMaxStored = 65535; // the most one stored deflate block holds
    out.assign(kSignature, kSignature + 8);

    std::size_t chunk = BeginChunk(out, "IHDR");
    PutBigEndian32(out, width);
    PutBigEndian32(out, height);
    out.insert(out.end(), {8, 3, 0, 0, 0}); // 8 bits, palette, deflate, no filter choice, no interlace
    FinishChunk(out, chunk);

    chunk = BeginChunk(out, "PLTE");
    PutRgb(out, unlitColour);
    PutRgb(out, litColour);
    FinishChunk(out, chunk);

    // The scanlines: filter type 0 and one palette index per pixel.
    const std::size_t lineBytes = std::size_t{width} + 1;
    const std::size_t rawSize = lineBytes * height;
    chunk = BeginChunk(out, "IDAT");
    out.push_back(0x78); // deflate, 32 KiB window
    out.push_back(0x01); // no dictionary; header checksum
    const std::size_t blocks = std::max<std::size_t>(1, (rawSize + kMaxStored - 1) / kMaxStored);
    out.reserve(out.size() + rawSize + blocks * 5 + 4 + 12 + 12);
    std::uint32_t adler = 1;
    std::size_t done = 0;
    for (std::size_t block = 0; block < blocks; ++block) {
        const std::size_t size = std::min(kMaxStored, rawSize - done);
        out.push_back(block + 1 == blocks ? 1 : 0); // BFINAL, stored
        out.push_back(static_cast<std::uint8_t>(size));
        out.push_back(static_cast<std::uint8_t>(size >> 8));
        out.push_back(static_cast<std::uint8_t>(~size));
        out.push_back(static_cast<std::uint8_t>(~size >> 8));
        const std::size_t start = out.size();
        for (std::size_t i = done; i < done + size; ++i) {
            const std::size_t x = i % lineBytes;
            out.push_back(x == 0 ? 0 : (picture[(i / lineBytes) * width + x - 1] != 0 ? 1 : 0));
        }
        adler = Adler32(out.data() + start, size, adler);
        done += size;
    }
    PutBigEndian32(out, adler);
    FinishChunk(out, chunk);

    FinishChunk(out, BeginChunk(out, "IEND"));
}

ImageFileWriter::ImageFileWriter(std::string path) : path_(std::move(path)), spare_(path_ + ".tmp")
{
}

ImageFileWriter::~ImageFileWriter()
{
    std::error_code error;
    std::filesystem::remove(spare_, error);
}

bool ImageFileWriter::Write(const std::uint8_t* picture, std::uint32_t width, std::uint32_t height,
                            std::uint32_t litColour, std::uint32_t unlitColour)
{
    if (FormatForPath(path_) == ImageFormat::Png)
        EncodePng(picture, width, height, litColour, unlitColour, bytes_);
    else
        EncodePbm(picture, width, height, bytes_);
    if (WriteSpare() && Replace())
        return true;
    std::error_code error;
    std::filesystem::remove(spare_, error);
    return false;
}

#ifdef __linux__

// The spare is written over in place rather than created afresh: making
// and deleting a file every time costs the file system far more than the
// few kilobytes of the picture.
bool ImageFileWriter::WriteSpare()
{
    const int fd = ::open(spare_.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0666);
    if (fd < 0)
        return false;
    bool ok = true;
    for (std::size_t done = 0; ok && done < bytes_.size();) {
        const ssize_t put = ::pwrite(fd, bytes_.data() + done, bytes_.size() - done, static_cast<off_t>(done));
        if (put > 0)
            done += static_cast<std::size_t>(put);
        else
            ok = put < 0 && errno == EINTR;
    }
    // Shortened only when the old picture was longer; never emptied first,
    // which would make ext4 flush the file at close.
    struct stat spare {};
    if (ok && ::fstat(fd, &spare) == 0 && spare.st_size > static_cast<off_t>(bytes_.size()))
        ok = ::ftruncate(fd, static_cast<off_t>(bytes_.size())) == 0;
    return ::close(fd) == 0 && ok;
}

// Swaps the spare with an existing picture rather than renaming it over
// the picture: ext4 flushes a file renamed over another at once, which
// would make the writing thread wait for the disk. The old picture becomes
// the next spare.
bool ImageFileWriter::Replace()
{
    struct stat existing {};
    if (::lstat(path_.c_str(), &existing) == 0 && !S_ISDIR(existing.st_mode) &&
        ::renameat2(AT_FDCWD, spare_.c_str(), AT_FDCWD, path_.c_str(), RENAME_EXCHANGE) == 0)
        return true;
    // No picture yet, or a file system without swaps.
    return ::rename(spare_.c_str(), path_.c_str()) == 0;
}

#else

bool ImageFileWriter::WriteSpare()
{
    std::FILE* file = std::fopen(spare_.c_str(), "wb");
    if (file == nullptr)
        return false;
    const bool written = std::fwrite(bytes_.data(), 1, bytes_.size(), file) == bytes_.size();
    return std::fclose(file) == 0 && written;
}

bool ImageFileWriter::Replace()
{
    std::error_code error;
    std::filesystem::rename(spare_, path_, error);
    return !error;
}

#endif

bool WriteImageFile(const std::string& path, const std::uint8_t* picture, std::uint32_t width, std::uint32_t height,
                    std::uint32_t litColour, std::uint32_t unlitColour)
{
    return ImageFileWriter(path).Write(picture, width, height, litColour, unlitColour);
}

} // namespace vdisplay
