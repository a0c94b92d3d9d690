#include "designer/samplefile.h"

#include "platform/files.h"

namespace qv::designer {

void SampleFile::open(const std::string& path) {
    close();
    path_ = path;
    reader_ = std::make_unique<LineReader>(pathFromUtf8(path));
    hasNext_ = reader_->readLine(next_);
}

void SampleFile::close() {
    reader_.reset();
    next_.clear();
    hasNext_ = false;
}

bool SampleFile::readLine(std::string& line) {
    if (!reader_ || !hasNext_) return false;
    line = std::move(next_);
    next_.clear();
    hasNext_ = reader_->readLine(next_);
    return true;
}

}  // namespace qv::designer
