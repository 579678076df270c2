#include "convert/NotificationLoader.h"

#include <cerrno>
#include <cstdint>
#include <cstring>
#include <optional>

#include "convert/NotificationWalk.h"
#include "convert/PlainNotificationWalk.h"
#include "convert/XmlStream.h"
#include "diag/FailureReasons.h"
#include "forms/FormCatalogue.h"
#include "forms/FormId.h"
#include "platform/InputFile.h"
#include "state/ProgressTracker.h"

namespace tenvor {

namespace {

// Notifications are kilobytes to a few megabytes; anything beyond this is not one.
constexpr std::int64_t kMaxNotificationBytes = std::int64_t{1} << 30;
// Files up to this size are read whole and parsed from memory; larger ones as a stream.
constexpr std::int64_t kWholeFileBytes = std::int64_t{1} << 20;

LoadFailure NotWellFormed(std::string reason)
{
    return LoadFailure{ErrorKind::FormatNotSupported, false, std::move(reason), FailureCause::Other, {}};
}

LoadFailure Unreadable(std::string reason)
{
    return LoadFailure{ErrorKind::FileMissing, false, std::move(reason), FailureCause::Other, {}};
}

LoadFailure Mismatch(const FieldMismatch& mismatch, const FormEntry& form, FieldPlace place)
{
    return LoadFailure{ErrorKind::FormatNotSupported,
                       false,
                       FieldProblemReason(mismatch.problem, form.id, mismatch.name, place),
                       FailureCause::FieldCheck,
                       {}};
}

// Reads a file, keeping the first read error.
class FileByteSource {
public:
    explicit FileByteSource(InputFile& file) : file_(file) {}
    int operator()(char* buffer, int length)
    {
        const long got = file_.Read(buffer, static_cast<std::size_t>(length));
        if (got < 0) {
            error_ = errno != 0 ? errno : EIO;
            return -1;
        }
        return static_cast<int>(got);
    }
    const int& Error() const { return error_; }

private:
    InputFile& file_;
    int error_ = 0;
};

// Reads bytes held in memory.
XmlByteSource MemorySource(std::string_view bytes)
{
    return [bytes, at = std::size_t{0}](char* buffer, int length) mutable {
        const std::size_t count = std::min(bytes.size() - at, static_cast<std::size_t>(length));
        std::memcpy(buffer, bytes.data() + at, count);
        at += count;
        return static_cast<int>(count);
    };
}

void Advance(ProgressTracker* progress, int steps)
{
    if (progress != nullptr) {
        for (int i = 0; i < steps; ++i) {
            progress->Advance();
        }
    }
}

}  // namespace

LoadResult NotificationLoader::Load(const std::string& csXMLFilePath, ProgressTracker* fileModeProgress) const
{
    InputFile file;
    if (!file.Open(csXMLFilePath)) {
        return Unexpected{Unreadable(ReadFailureReason(file.OpenFailure()))};
    }
    if (file.Size() > kMaxNotificationBytes) {
        return Unexpected{NotWellFormed(TooLargeReason(file.Size(), kMaxNotificationBytes))};
    }
    if (file.Size() <= kWholeFileBytes) {
        // Read whole, as long as the file does not grow past the size meanwhile.
        std::string bytes(static_cast<std::size_t>(file.Size()) + 1, '\0');
        std::size_t got = 0;
        long count = 0;
        while (got < bytes.size() && (count = file.Read(bytes.data() + got, bytes.size() - got)) > 0) {
            got += static_cast<std::size_t>(count);
        }
        if (count < 0) {
            return Unexpected{Unreadable(ReadFailureReason(SystemErrorText(errno != 0 ? errno : EIO)))};
        }
        if (got < bytes.size()) {
            bytes.resize(got);
            return LoadBytes(bytes, fileModeProgress);
        }
        if (!file.Open(csXMLFilePath)) {  // it grew: read it as a stream from its start
            return Unexpected{Unreadable(ReadFailureReason(file.OpenFailure()))};
        }
    }
    auto reader = std::make_shared<FileByteSource>(file);
    const XmlByteSource source = [reader](char* buffer, int length) { return (*reader)(buffer, length); };
    // A file that is not well-formed is read once more for the parser's words.
    auto judgeAgain = [&csXMLFilePath](std::string& problem) {
        InputFile again;
        if (again.Open(csXMLFilePath)) {
            FileByteSource againReader(again);
            static_cast<void>(
                XmlDocument::Diagnose([&](char* buffer, int length) { return againReader(buffer, length); }, problem));
        }
    };
    return ReadStream(source, judgeAgain, &reader->Error(), fileModeProgress);
}

LoadResult NotificationLoader::LoadFromMemory(std::string_view bytes) const
{
    if (bytes.size() > static_cast<std::size_t>(kMaxNotificationBytes)) {
        return Unexpected{
            NotWellFormed(TooLargeReason(static_cast<std::int64_t>(bytes.size()), kMaxNotificationBytes))};
    }
    return LoadBytes(bytes, nullptr);
}

LoadResult NotificationLoader::LoadBytes(std::string_view bytes, ProgressTracker* fileModeProgress) const
{
    PlainNotificationWalk plain(forms_);
    if (plain.Run(bytes)) {
        if (fileModeProgress != nullptr) {
            fileModeProgress->Begin(plain.ChildCount());
            Advance(fileModeProgress, plain.CommonSteps() + plain.PersonSteps());
        }
        return std::move(plain.Record());
    }
    const XmlByteSource source = MemorySource(bytes);
    auto judgeAgain = [bytes](std::string& problem) {
        static_cast<void>(XmlDocument::Diagnose(MemorySource(bytes), problem));
    };
    return ReadStream(source, judgeAgain, nullptr, fileModeProgress);
}

LoadResult NotificationLoader::LoadFromStream(const XmlByteSource& source, bool& reasonWanted) const
{
    reasonWanted = false;
    return ReadStream(
        source, [&](std::string& /*problem*/) { reasonWanted = true; }, nullptr, nullptr);
}

LoadResult NotificationLoader::ReadStream(const XmlByteSource& source,
                                          const std::function<void(std::string&)>& judgeAgain, const int* readError,
                                          ProgressTracker* fileModeProgress) const
{
    XmlStream stream(source);
    NotificationWalk walk(forms_, stream);
    walk.Run();
    if (readError != nullptr && *readError != 0) {
        return Unexpected{Unreadable(ReadFailureReason(SystemErrorText(*readError)))};
    }
    if (stream.Faulty() || !walk.FoundRoot()) {
        std::string problem = stream.LastProblem();
        judgeAgain(problem);
        return Unexpected{NotWellFormed(std::move(problem))};
    }
    if (!walk.EntitiesAcceptable()) {
        return Unexpected{NotWellFormed(EntityReason())};
    }
    StXmlInfo& stXmlInfo = walk.Record();
    if (fileModeProgress != nullptr) {
        fileModeProgress->Begin(walk.ChildCount());
    }
    const FormEntry* form = walk.Form();
    if (form == nullptr) {
        return Unexpected{LoadFailure{ErrorKind::FormatNotSupported, !HasFormIdShape(stXmlInfo.styleNum),
                                      UnsupportedFormReason(stXmlInfo.styleNum), FailureCause::UnsupportedForm,
                                      stXmlInfo.styleNum}};
    }
    Advance(fileModeProgress, walk.CommonSteps());
    if (walk.CommonMismatch()) {
        const FieldPlace place{form->singleRecord ? FieldPlace::Part::SingleRecord : FieldPlace::Part::Common};
        return Unexpected{Mismatch(*walk.CommonMismatch(), *form, place)};
    }
    Advance(fileModeProgress, walk.PersonSteps());
    if (walk.PersonMismatch()) {
        return Unexpected{
            Mismatch(*walk.PersonMismatch(), *form, {FieldPlace::Part::Person, walk.PersonMismatchNumber()})};
    }
    if (!walk.StoreFailure().empty()) {
        return Unexpected{LoadFailure{
            ErrorKind::NoPermission, false, ScratchFileReason(walk.StoreFailure()), FailureCause::Other, {}}};
    }
    if (stXmlInfo.insuredData.Empty()) {
        return Unexpected{
            LoadFailure{ErrorKind::FormatNotSupported, false, NoPersonRecordReason(form->id), FailureCause::Other, {}}};
    }
    return std::move(stXmlInfo);
}

}  // namespace tenvor
