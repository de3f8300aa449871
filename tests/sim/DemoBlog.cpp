#include "sim/DemoBlog.h"

#include <zlib.h>

#include <algorithm>
#include <cstdio>

namespace pw::sim {

namespace {

void PutBigEndian(std::string& out, uint32_t value) {
    for (int shift = 24; shift >= 0; shift -= 8) out.push_back(static_cast<char>(value >> shift));
}

void PutChunk(std::string& out, const char* type, const std::string& data) {
    PutBigEndian(out, static_cast<uint32_t>(data.size()));
    const std::string typed = std::string(type, 4) + data;
    out += typed;
    PutBigEndian(out, static_cast<uint32_t>(crc32(0, reinterpret_cast<const Bytef*>(typed.data()),
                                                  static_cast<uInt>(typed.size()))));
}

const char* const kCategoryNames[] = {"旅行札记", "读书笔记", "家常菜谱", "摄影 & 生活",
                                      "杂谈",     "工作",     "童年回忆", "诗歌"};

}  // namespace

std::string TinyPng(int width, int height, unsigned seed) {
    std::string header;
    PutBigEndian(header, static_cast<uint32_t>(width));
    PutBigEndian(header, static_cast<uint32_t>(height));
    header += std::string("\x08\x02\x00\x00\x00", 5);  // 8-bit RGB
    std::string raw;
    for (int y = 0; y < height; ++y) {
        raw.push_back('\0');  // no filter
        for (int x = 0; x < width; ++x) {
            raw.push_back(static_cast<char>(seed * 37 + static_cast<unsigned>(x)));
            raw.push_back(static_cast<char>(seed * 91 + static_cast<unsigned>(y)));
            raw.push_back(static_cast<char>(seed * 13));
        }
    }
    uLongf size = compressBound(static_cast<uLong>(raw.size()));
    std::string packed(size, '\0');
    compress(reinterpret_cast<Bytef*>(packed.data()), &size,
             reinterpret_cast<const Bytef*>(raw.data()), static_cast<uLong>(raw.size()));
    packed.resize(size);
    std::string png = "\x89PNG\r\n\x1a\n";
    PutChunk(png, "IHDR", header);
    PutChunk(png, "IDAT", packed);
    PutChunk(png, "IEND", "");
    return png;
}

std::string PaddedPng(std::string png, size_t size, unsigned seed) {
    constexpr size_t kChunkFrame = 12;  // length, type and CRC
    if (png.size() + kChunkFrame >= size) return png;
    std::string filler(size - png.size() - kChunkFrame, '\0');
    uint32_t state = seed * 2654435761u + 1;
    for (char& c : filler) {
        state = state * 1664525u + 1013904223u;
        c = static_cast<char>(state >> 24);
    }
    std::string chunk;
    PutChunk(chunk, "pwFl", filler);              // ancillary, private, safe to copy
    png.insert(png.size() - kChunkFrame, chunk);  // before IEND
    return png;
}

DemoBlog MakeDemoBlog(const DemoBlogShape& shape) {
    DemoBlog blog;
    blog.account = shape.account;
    blog.name = shape.name;
    blog.pageSize = shape.pageSize;
    for (int c = 0; c < shape.categories; ++c) {
        std::string name = kCategoryNames[c % 8];
        if (c >= 8) name += std::to_string(c);
        blog.categories.push_back(name);
    }
    const int total = shape.categories * shape.articlesPerCategory;
    for (int i = 0; i < total; ++i) {
        DemoArticle a;
        a.id = std::to_string(1000 + i);
        a.category = blog.categories.empty()
                         ? ""
                         : blog.categories[static_cast<size_t>(i) % blog.categories.size()];
        a.title = "第" + std::to_string(total - i) + "篇：" + a.category + "的故事";
        char time[32];
        std::snprintf(time, sizeof time, "2012-%02d-%02d %02d:%02d:00", 12 - i % 12, 28 - i % 28,
                      8 + i % 12, i % 60);
        a.time = time;
        a.body = "<p>这是<b>第" + std::to_string(total - i) +
                 "篇</b>文章的正文。Hello World, 多年的文字。</p>\n<p>第二段：天气晴。</p>";
        for (int p = 0; p < shape.picturesPerArticle; ++p) {
            DemoPicture picture;
            picture.url = "http://" + shape.pictureHost + "/middle/Pic" + a.id + "_" +
                          std::to_string(p) + "&690";
            const auto seed = static_cast<unsigned>(i * 7 + p);
            picture.bytes = PaddedPng(TinyPng(8 + p, 6, seed),
                                      static_cast<size_t>(std::max(0, shape.pictureBytes)), seed);
            a.pictures.push_back(picture);
        }
        blog.articles.push_back(a);
    }
    return blog;
}

std::vector<const DemoArticle*> ArticlesOf(const DemoBlog& blog, const std::string& category) {
    std::vector<const DemoArticle*> out;
    for (const auto& article : blog.articles) {
        if (article.category == category) out.push_back(&article);
    }
    return out;
}

}  // namespace pw::sim
