#include "tests/support/AppFixture.h"

#include "app/uPubData.h"

namespace kestrune::test {

MessageRecorder::MessageRecorder() {
    previous_ = setMessageAnswerer([this](const MessageRequest &r) {
        shown.push_back(r);
        return r.kind == MessageKind::YesNo ? answer : IDOK;
    });
}

MessageRecorder::~MessageRecorder() { setMessageAnswerer(std::move(previous_)); }

QStringList MessageRecorder::texts(MessageKind kind) const {
    QStringList out;
    for (const MessageRequest &r : shown)
        if (r.kind == kind)
            out << r.text;
    return out;
}

void AppFixture::SetUp() {
    cwd.emplace(dir.path());
    path = makeDatabase(dir.path());
    reader = openDatabase(path);
}

void AppFixture::openDataModule() {
    if (!PubData)
        PubData = new TPubData;
}

void AppFixture::TearDown() {
    delete PubData;
    PubData = nullptr;
    reader.reset();
    cwd.reset();
}

} // namespace kestrune::test
