#include "RetunedCopy.h"

#include "document/SampleRateRewrite.h"
#include "document/WaveTexts.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string_view>

namespace {

// Passes every message on, with the temporary name the rewrite worked on
// replaced by the target's, and remembers that one came: the rewrite tells of
// failures only.
class TargetNamingReporter final : public TWaveReporter {
public:
    TargetNamingReporter(TWaveReporter& inner, std::string workName, std::string targetName)
        : inner_(inner), workName_(std::move(workName)), targetName_(std::move(targetName))
    {
    }

    void Report(std::string_view text, const char* caption) override
    {
        failed_ = true;
        std::string named(text);
        if (workName_ != targetName_) {
            for (auto at = named.find(workName_); at != std::string::npos;
                 at = named.find(workName_, at + targetName_.size())) {
                named.replace(at, workName_.size(), targetName_);
            }
        }
        inner_.Report(named, caption);
    }

    bool Failed() const { return failed_; }

private:
    TWaveReporter& inner_;
    std::string workName_;
    std::string targetName_;
    bool failed_ = false;
};

bool Exists(const std::string& path, struct stat& status) { return ::stat(path.c_str(), &status) == 0; }

// True when the target is the source under any name, or an existing file
// that the rewrite cannot write: the rewrite refuses such a target before it
// writes anything, and must meet it under its own name to say so.
bool RefusedInPlace(const std::string& source, const std::string& target)
{
    struct stat targetStatus {};
    struct stat sourceStatus {};
    if (!Exists(target, targetStatus)) {
        return false;
    }
    const bool isSource = Exists(source, sourceStatus) && sourceStatus.st_dev == targetStatus.st_dev &&
                          sourceStatus.st_ino == targetStatus.st_ino;
    return isSource || !S_ISREG(targetStatus.st_mode) || ::access(target.c_str(), W_OK) != 0;
}

// Runs the rewrite from `source` to `work`, its messages naming `target`.
bool Rewrite(const std::string& source, const std::string& work, const std::string& target, std::uint32_t rate,
             TWaveReporter& reporter)
{
    TargetNamingReporter naming(reporter, work, target);
    RewriteSampleRate(source, work, [rate] { return rate; }, naming);
    return !naming.Failed();
}

// The permissions the finished copy takes: those of the file it replaces, or
// those of a new file (0666 less the umask), as a copy made in place gets.
mode_t FinalMode(const std::string& target)
{
    struct stat targetStatus {};
    if (Exists(target, targetStatus)) {
        return targetStatus.st_mode & 07777;
    }
    const mode_t mask = ::umask(0);
    ::umask(mask);
    return 0666 & ~mask;
}

}  // namespace

std::uint32_t RateToWrite(std::uint32_t requested, std::uint32_t fileRate, bool noHigher)
{
    return noHigher && fileRate < requested ? requested / 2 : requested;
}

bool WriteRetunedCopy(const std::string& source, const std::string& target, std::uint32_t rate,
                      TWaveReporter& reporter)
{
    if (RefusedInPlace(source, target)) {
        return Rewrite(source, target, target, rate, reporter);
    }

    std::string work = target + ".XXXXXX";
    const int descriptor = ::mkstemp(work.data());
    if (descriptor < 0) {
        // No new file can be made beside the target: the rewrite meets the
        // target itself and says why; a file it made after all is removed.
        struct stat before {};
        const bool existed = Exists(target, before);
        const bool written = Rewrite(source, target, target, rate, reporter);
        if (!written && !existed) {
            std::remove(target.c_str());
        }
        return written;
    }
    ::close(descriptor);

    bool written = Rewrite(source, work, target, rate, reporter);
    if (written) {
        written = ::chmod(work.c_str(), FinalMode(target)) == 0 && std::rename(work.c_str(), target.c_str()) == 0;
        if (!written) {
            reporter.Report(target, kFailedToOpenCaption);
        }
    }
    if (!written) {
        std::remove(work.c_str());
    }
    return written;
}
