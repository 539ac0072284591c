// Tags and covers through TagLib.
#include "convert/song_tags.h"

#include <taglib/aifffile.h>
#include <taglib/attachedpictureframe.h>
#include <taglib/fileref.h>
#include <taglib/flacfile.h>
#include <taglib/flacpicture.h>
#include <taglib/id3v2tag.h>
#include <taglib/mp4file.h>
#include <taglib/mpegfile.h>
#include <taglib/opusfile.h>
#include <taglib/tpropertymap.h>
#include <taglib/vorbisfile.h>
#include <taglib/wavfile.h>
#include <taglib/xiphcomment.h>

namespace parlowen {
namespace {

TagLib::ByteVector bytesOf(const std::string& text)
{
    return TagLib::ByteVector(text.data(), static_cast<unsigned>(text.size()));
}

std::string textOf(const TagLib::ByteVector& bytes)
{
    return std::string(bytes.data(), bytes.size());
}

std::optional<Cover> coverOf(const TagLib::ID3v2::Tag* tag)
{
    if (!tag)
        return std::nullopt;
    std::optional<Cover> first;
    for (auto* frame : tag->frameList("APIC")) {
        auto* picture = dynamic_cast<TagLib::ID3v2::AttachedPictureFrame*>(frame);
        if (!picture)
            continue;
        Cover cover{picture->mimeType().to8Bit(true), textOf(picture->picture()),
                    picture->description().to8Bit(true)};
        if (picture->type() == TagLib::ID3v2::AttachedPictureFrame::FrontCover)
            return cover;
        if (!first)
            first = cover;
    }
    return first;
}

std::optional<Cover> coverOf(TagLib::File* file)
{
    if (auto* flac = dynamic_cast<TagLib::FLAC::File*>(file)) {
        std::optional<Cover> first;
        for (auto* picture : flac->pictureList()) {
            Cover cover{picture->mimeType().to8Bit(true), textOf(picture->data()),
                        picture->description().to8Bit(true)};
            if (picture->type() == TagLib::FLAC::Picture::FrontCover)
                return cover;
            if (!first)
                first = cover;
        }
        return first;
    }
    if (auto* mpeg = dynamic_cast<TagLib::MPEG::File*>(file))
        return mpeg->hasID3v2Tag() ? coverOf(mpeg->ID3v2Tag()) : std::nullopt;
    if (auto* ogg = dynamic_cast<TagLib::Ogg::File*>(file);
        ogg && dynamic_cast<TagLib::Ogg::XiphComment*>(ogg->tag())) {
        for (auto* picture : static_cast<TagLib::Ogg::XiphComment*>(ogg->tag())->pictureList())
            return Cover{picture->mimeType().to8Bit(true), textOf(picture->data()),
                         picture->description().to8Bit(true)};
        return std::nullopt;
    }
    if (auto* wav = dynamic_cast<TagLib::RIFF::WAV::File*>(file))
        return wav->hasID3v2Tag() ? coverOf(wav->ID3v2Tag()) : std::nullopt;
    if (auto* aiff = dynamic_cast<TagLib::RIFF::AIFF::File*>(file))
        return aiff->hasID3v2Tag() ? coverOf(aiff->tag()) : std::nullopt;
    if (auto* mp4 = dynamic_cast<TagLib::MP4::File*>(file); mp4 && mp4->tag()) {
        const auto covers = mp4->tag()->item("covr").toCoverArtList();
        if (!covers.isEmpty()) {
            const auto& art = covers.front();
            return Cover{art.format() == TagLib::MP4::CoverArt::PNG ? "image/png" : "image/jpeg",
                         textOf(art.data())};
        }
    }
    return std::nullopt;
}

TagLib::PropertyMap propertiesOf(const SongTags& tags)
{
    TagLib::PropertyMap map;
    for (const auto& [field, values] : tags.fields) {
        TagLib::StringList list;
        for (const auto& value : values)
            list.append(TagLib::String(value, TagLib::String::UTF8));
        map.insert(TagLib::String(field, TagLib::String::UTF8), list);
    }
    return map;
}

TagLib::FLAC::Picture* pictureBlock(const Cover& cover)
{
    auto* picture = new TagLib::FLAC::Picture;
    picture->setType(TagLib::FLAC::Picture::FrontCover);
    picture->setMimeType(cover.mimeType);
    picture->setDescription(TagLib::String(cover.description, TagLib::String::UTF8));
    picture->setData(bytesOf(cover.bytes));
    return picture;
}

bool writeXiph(TagLib::Ogg::XiphComment* comment, const TagLib::PropertyMap& properties,
               const std::optional<Cover>& cover)
{
    if (!comment)
        return false;
    comment->setProperties(properties);
    comment->removeAllPictures();
    if (cover)
        comment->addPicture(pictureBlock(*cover)); // the comment owns it
    return true;
}

} // namespace

SongTags readSongTags(const std::string& path)
{
    SongTags tags;
    const TagLib::FileRef ref(path.c_str(), false);
    if (ref.isNull())
        return tags;
    for (const auto& [field, values] : ref.file()->properties()) {
        std::vector<std::string> texts;
        for (const auto& value : values)
            texts.push_back(value.to8Bit(true));
        tags.fields.emplace_back(field.to8Bit(true), std::move(texts));
    }
    tags.front = coverOf(ref.file());
    return tags;
}

std::string writeSongTags(const std::string& path, Preset preset, const SongTags& tags,
                          const CoverRule& rule)
{
    std::optional<Cover> cover;
    if (tags.front && rule.mode == CoverRule::Mode::Keep)
        cover = tags.front;
    else if (tags.front && rule.mode == CoverRule::Mode::Shrink)
        cover = shrunkCover(*tags.front, rule.pixels); // one that cannot be read is left out
    const TagLib::PropertyMap properties = propertiesOf(tags);
    bool saved = false;
    switch (preset) {
    case Preset::Mp3V2: {
        TagLib::MPEG::File file(path.c_str(), false);
        if (!file.isValid())
            break;
        auto* tag = file.ID3v2Tag(true);
        tag->setProperties(properties);
        tag->removeFrames("APIC");
        if (cover) {
            auto* frame = new TagLib::ID3v2::AttachedPictureFrame;
            frame->setType(TagLib::ID3v2::AttachedPictureFrame::FrontCover);
            frame->setMimeType(cover->mimeType);
            frame->setDescription(TagLib::String(cover->description, TagLib::String::UTF8));
            frame->setPicture(bytesOf(cover->bytes));
            tag->addFrame(frame); // the tag owns it
        }
        saved = file.save(TagLib::MPEG::File::ID3v2, TagLib::File::StripOthers,
                          TagLib::ID3v2::v3);
        break;
    }
    case Preset::Opus128: {
        TagLib::Ogg::Opus::File file(path.c_str(), false);
        saved = file.isValid() && writeXiph(file.tag(), properties, cover) && file.save();
        break;
    }
    case Preset::VorbisQ5: {
        TagLib::Ogg::Vorbis::File file(path.c_str(), false);
        saved = file.isValid() && writeXiph(file.tag(), properties, cover) && file.save();
        break;
    }
    case Preset::Aac192: {
        TagLib::MP4::File file(path.c_str(), false);
        if (!file.isValid() || !file.tag())
            break;
        file.setProperties(properties);
        if (cover) {
            const auto format = cover->mimeType == "image/png" ? TagLib::MP4::CoverArt::PNG
                                                               : TagLib::MP4::CoverArt::JPEG;
            TagLib::MP4::CoverArtList list;
            list.append(TagLib::MP4::CoverArt(format, bytesOf(cover->bytes)));
            file.tag()->setItem("covr", list);
        } else {
            file.tag()->removeItem("covr");
        }
        saved = file.save();
        break;
    }
    }
    return saved ? std::string() : "its tags could not be written onto the copy";
}

} // namespace parlowen
