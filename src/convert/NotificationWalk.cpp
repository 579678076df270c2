#include "convert/NotificationWalk.h"

#include "forms/FormCatalogue.h"

namespace tenvor {

NotificationWalk::NotificationWalk(const FormCatalogue& forms, XmlStream& stream) : forms_(forms), stream_(stream) {}

bool NotificationWalk::KeepsValues() const
{
    return entitiesAcceptable_ && !commonMismatch_ && !personMismatch_;
}

void NotificationWalk::Run()
{
    bool more = stream_.Read();
    while (more && stream_.Type() != XmlStream::NodeType::Element) {
        more = stream_.Read();
    }
    if (!more) {
        return;
    }
    foundRoot_ = true;
    entities_.emplace(stream_.Document());
    std::string scratch;
    record_.styleNum = std::string(stream_.Node().ElementName(scratch));
    form_ = forms_.Find(record_.styleNum);
    if (form_ != nullptr) {
        matcher_.emplace(*form_, form_->singleRecord ? kInsuredList : kCommonList);
    }
    if (stream_.IsEmptyElement()) {
        more = stream_.Read();
    } else {
        more = stream_.Read();
        while (more && !(stream_.Depth() == 0 && stream_.Type() == XmlStream::NodeType::EndElement)) {
            more = RootChild();
        }
        if (more) {
            more = stream_.Read();
        }
    }
    while (more) {
        more = stream_.Read();  // what follows the document element: comments, instructions
    }
    if (matcher_ && !commonMismatch_) {
        matcher_->Finish();
        if (matcher_->Failed()) {
            commonMismatch_ = matcher_->Mismatch();
        } else if (form_->singleRecord) {
            if (!record_.insuredData.Add(matcher_->TakeValues())) {
                storeFailure_ = record_.insuredData.Failure();
            }
        } else {
            record_.commonData = matcher_->TakeValues();
        }
    }
}

bool NotificationWalk::RootChild()
{
    if (stream_.Node().IsBlankText()) {
        return stream_.Read();
    }
    ++childCount_;
    if (form_ == nullptr) {
        return Skip(false);
    }
    return form_->singleRecord ? SingleRecordChild() : CommonChild();
}

bool NotificationWalk::CommonChild()
{
    const XmlNode node = stream_.Node();
    std::string scratch;
    if (node.IsElement() && node.ElementName(scratch) == kInsuredElementName) {
        return PersonRecord();
    }
    if (commonMismatch_) {
        return Skip(false);
    }
    switch (matcher_->Offer(node)) {
        case FieldMatcher::Step::Mismatch:
            commonMismatch_ = matcher_->Mismatch();
            return Skip(false);
        case FieldMatcher::Step::Skip:
            // A common list without definitions takes any child, but the records inside count.
            return Skip(KeepsValues());
        case FieldMatcher::Step::Field:
            break;
    }
    return TakeRootField(true);
}

bool NotificationWalk::SingleRecordChild()
{
    if (commonMismatch_) {
        return Skip(false);
    }
    switch (matcher_->Offer(stream_.Node())) {
        case FieldMatcher::Step::Mismatch:
            commonMismatch_ = matcher_->Mismatch();
            return Skip(false);
        case FieldMatcher::Step::Skip:
            return Skip(false);
        case FieldMatcher::Step::Field:
            break;
    }
    return TakeRootField(false);
}

bool NotificationWalk::TakeRootField(bool recordsInside)
{
    ++commonSteps_;
    if (!KeepsValues()) {
        return Skip(false);
    }
    const XmlNode field = ExpandField();
    if (!field) {
        return false;
    }
    if (!KeepsValues()) {
        return stream_.Next();  // its references are too much text to resolve
    }
    matcher_->Take(NodeFlattener::FieldValue(field));
    if (recordsInside) {
        std::vector<std::vector<std::string>> pending;
        std::optional<FieldMismatch> pendingMismatch;
        int pendingNumber = 0;
        RecordsInside(field, pending, pendingMismatch, pendingNumber);
        for (const std::vector<std::string>& values : pending) {
            KeepPerson(values);
        }
        if (pendingMismatch) {
            personMismatch_ = std::move(pendingMismatch);
            personMismatchNumber_ = pendingNumber;
        }
    }
    return stream_.Next();
}

bool NotificationWalk::PersonRecord()
{
    const int number = ++personCount_;
    if (!KeepsValues()) {
        return Skip(false);
    }
    FieldMatcher matcher(*form_, kInsuredList);
    // Records inside this record's fields come after it in document order.
    std::vector<std::vector<std::string>> pending;
    std::optional<FieldMismatch> pendingMismatch;
    int pendingNumber = 0;
    const int depth = stream_.Depth();
    const bool empty = stream_.IsEmptyElement();
    bool more = stream_.Read();
    while (!empty && more && stream_.Depth() > depth) {
        const XmlNode child = stream_.Node();
        if (child.IsBlankText()) {
            more = stream_.Read();
            continue;
        }
        if (matcher.Failed() || !KeepsValues()) {
            more = Skip(false);
            continue;
        }
        const FieldMatcher::Step step = matcher.Offer(child);
        if (step == FieldMatcher::Step::Mismatch) {
            more = Skip(false);
            continue;
        }
        const XmlNode field = ExpandField();
        if (!field) {
            return false;
        }
        if (!KeepsValues()) {
            more = stream_.Next();  // its references are too much text to resolve
            continue;
        }
        if (step == FieldMatcher::Step::Field) {
            matcher.Take(NodeFlattener::FieldValue(field));
        }
        RecordsInside(field, pending, pendingMismatch, pendingNumber);
        more = stream_.Next();
    }
    if (!empty && more) {
        more = stream_.Read();  // past the record's end
    }
    if (!KeepsValues()) {
        return more;
    }
    matcher.Finish();
    if (matcher.Failed()) {
        personMismatch_ = matcher.Mismatch();
        personMismatchNumber_ = number;
        return more;
    }
    KeepPerson(matcher.TakeValues());
    for (const std::vector<std::string>& values : pending) {
        KeepPerson(values);
    }
    if (pendingMismatch) {
        personMismatch_ = std::move(pendingMismatch);
        personMismatchNumber_ = pendingNumber;
    }
    return more;
}

bool NotificationWalk::Skip(bool findRecords)
{
    XmlStream::NodeType type = stream_.Type();
    if (type == XmlStream::NodeType::EntityReference) {
        entitiesAcceptable_ = entities_->AddReference(stream_.Node()) && entitiesAcceptable_;
        return stream_.Read();
    }
    if (type != XmlStream::NodeType::Element || stream_.IsEmptyElement()) {
        return stream_.Read();
    }
    const int depth = stream_.Depth();
    std::string scratch;
    bool more = stream_.Read();
    while (more && stream_.Depth() > depth) {
        type = stream_.Type();
        if (type == XmlStream::NodeType::EntityReference) {
            entitiesAcceptable_ = entities_->AddReference(stream_.Node()) && entitiesAcceptable_;
        } else if (findRecords && type == XmlStream::NodeType::Element && KeepsValues() &&
                   stream_.Node().ElementName(scratch) == kInsuredElementName) {
            more = PersonRecord();
            continue;
        }
        more = stream_.Read();
    }
    // At the element's end.
    return more && stream_.Read();
}

XmlNode NotificationWalk::ExpandField()
{
    const XmlNode field = stream_.Expand();
    if (field) {
        field.DropBlankText();
        entitiesAcceptable_ = entities_->AddReferencesBelow(field) && entitiesAcceptable_;
    }
    return field;
}

void NotificationWalk::RecordsInside(XmlNode field, std::vector<std::vector<std::string>>& pending,
                                     std::optional<FieldMismatch>& pendingMismatch, int& pendingNumber)
{
    if (pendingMismatch) {
        return;
    }
    field.ForEachDescendant(kInsuredElementName, [&](XmlNode nested) {
        const int number = ++personCount_;
        auto values = flattener_.NodeListToCString(nested, kInsuredList, *form_, nullptr);
        if (!values) {
            pendingMismatch = values.error();
            pendingNumber = number;
            return false;  // the later records are not read
        }
        pending.push_back(std::move(*values));
        return true;
    });
}

void NotificationWalk::KeepPerson(const std::vector<std::string>& values)
{
    ++personSteps_;
    if (storeFailure_.empty() && !record_.insuredData.Add(values)) {
        storeFailure_ = record_.insuredData.Failure();
    }
}

}  // namespace tenvor
