#include "workbook/XlsxReader.h"

#include <libxml/parser.h>
#include <libxml/tree.h>
#include <zip.h>

#include <cstdlib>
#include <memory>

#include "support/TestSupport.h"

namespace tenvor::test {

namespace {

using Document = std::unique_ptr<xmlDoc, decltype(&xmlFreeDoc)>;

std::optional<std::string> Member(zip_t* archive, const std::string& name)
{
    zip_file_t* file = zip_fopen(archive, name.c_str(), 0);
    if (file == nullptr) {
        return std::nullopt;
    }
    std::string bytes;
    char buffer[65536];
    zip_int64_t got = 0;
    while ((got = zip_fread(file, buffer, sizeof buffer)) > 0) {
        bytes.append(buffer, static_cast<std::size_t>(got));
    }
    zip_fclose(file);
    if (got < 0) {
        return std::nullopt;
    }
    return bytes;
}

Document Parse(const std::string& bytes)
{
    return Document(xmlReadMemory(bytes.data(), static_cast<int>(bytes.size()), nullptr, nullptr, XML_PARSE_NONET),
                    &xmlFreeDoc);
}

bool Named(const xmlNode* node, const char* name)
{
    return node->type == XML_ELEMENT_NODE && xmlStrcmp(node->name, reinterpret_cast<const xmlChar*>(name)) == 0;
}

std::vector<const xmlNode*> Children(const xmlNode* parent, const char* name)
{
    std::vector<const xmlNode*> found;
    for (const xmlNode* child = parent->children; child != nullptr; child = child->next) {
        if (Named(child, name)) {
            found.push_back(child);
        }
    }
    return found;
}

const xmlNode* Child(const xmlNode* parent, const char* name)
{
    const std::vector<const xmlNode*> found = Children(parent, name);
    return found.empty() ? nullptr : found.front();
}

// The attribute by its local name (r:id is "id" in its namespace).
std::string Attribute(const xmlNode* node, const char* name)
{
    for (const xmlAttr* attribute = node->properties; attribute != nullptr; attribute = attribute->next) {
        if (xmlStrcmp(attribute->name, reinterpret_cast<const xmlChar*>(name)) == 0) {
            xmlChar* value = xmlNodeGetContent(attribute->children);
            std::string text = value != nullptr ? reinterpret_cast<const char*>(value) : "";
            xmlFree(value);
            return text;
        }
    }
    return {};
}

std::string Content(const xmlNode* node)
{
    xmlChar* value = xmlNodeGetContent(node);
    std::string text = value != nullptr ? reinterpret_cast<const char*>(value) : "";
    xmlFree(value);
    return text;
}

// The text of an <si> or <is>: its <t>, or the <t> of each run.
std::string StringItem(const xmlNode* item)
{
    if (const xmlNode* t = Child(item, "t")) {
        return Content(t);
    }
    std::string text;
    for (const xmlNode* run : Children(item, "r")) {
        if (const xmlNode* t = Child(run, "t")) {
            text += Content(t);
        }
    }
    return text;
}

// "BC12" -> column 54 (0-based).
std::size_t ColumnOf(const std::string& reference)
{
    std::size_t column = 0;
    for (const char c : reference) {
        if (c < 'A' || c > 'Z') {
            break;
        }
        column = column * 26 + static_cast<std::size_t>(c - 'A' + 1);
    }
    return column - 1;
}

}  // namespace

std::vector<std::string> ReadSheet::Texts(std::size_t row) const
{
    std::vector<std::string> texts;
    if (row < rows.size()) {
        for (const ReadCell& cell : rows[row]) {
            texts.push_back(cell.text);
        }
    }
    while (!texts.empty() && texts.back().empty()) {
        texts.pop_back();
    }
    return texts;
}

std::vector<std::string> ReadWorkbook::Names() const
{
    std::vector<std::string> names;
    for (const ReadSheet& sheet : sheets) {
        names.push_back(sheet.name);
    }
    return names;
}

const ReadSheet* ReadWorkbook::Sheet(const std::string& name) const
{
    for (const ReadSheet& sheet : sheets) {
        if (sheet.name == name) {
            return &sheet;
        }
    }
    return nullptr;
}

std::optional<ReadWorkbook> ReadXlsx(const std::string& path, std::string& problem)
{
    // The archive's bytes are read here, so that the path is opened as the tests open files.
    const std::string bytes = ReadFile(path);
    zip_error_t error;
    zip_error_init(&error);
    zip_source_t* source = zip_source_buffer_create(bytes.data(), bytes.size(), 0, &error);
    zip_t* archive = source != nullptr ? zip_open_from_source(source, ZIP_RDONLY | ZIP_CHECKCONS, &error) : nullptr;
    if (archive == nullptr) {
        problem = std::string("not a ZIP: ") + zip_error_strerror(&error);
        if (source != nullptr) {
            zip_source_free(source);
        }
        zip_error_fini(&error);
        return std::nullopt;
    }
    const std::unique_ptr<zip_t, decltype(&zip_discard)> closer(archive, &zip_discard);
    zip_error_fini(&error);

    const std::optional<std::string> workbookXml = Member(archive, "xl/workbook.xml");
    const std::optional<std::string> relsXml = Member(archive, "xl/_rels/workbook.xml.rels");
    const std::optional<std::string> stylesXml = Member(archive, "xl/styles.xml");
    if (!workbookXml || !relsXml || !stylesXml) {
        problem = "xl/workbook.xml, its relationships or xl/styles.xml missing";
        return std::nullopt;
    }
    const Document workbook = Parse(*workbookXml);
    const Document rels = Parse(*relsXml);
    const Document styles = Parse(*stylesXml);
    if (!workbook || !rels || !styles) {
        problem = "a workbook part that is not XML";
        return std::nullopt;
    }

    std::map<std::string, std::string> targets;
    for (const xmlNode* rel : Children(xmlDocGetRootElement(rels.get()), "Relationship")) {
        targets[Attribute(rel, "Id")] = Attribute(rel, "Target");
    }
    // Which cell styles are bold: cellXfs' fontId into fonts.
    std::vector<bool> boldFonts;
    const xmlNode* stylesRoot = xmlDocGetRootElement(styles.get());
    if (const xmlNode* fonts = Child(stylesRoot, "fonts")) {
        for (const xmlNode* font : Children(fonts, "font")) {
            boldFonts.push_back(Child(font, "b") != nullptr);
        }
    }
    std::vector<bool> boldStyles;
    if (const xmlNode* xfs = Child(stylesRoot, "cellXfs")) {
        for (const xmlNode* xf : Children(xfs, "xf")) {
            const std::size_t font = static_cast<std::size_t>(std::atoi(Attribute(xf, "fontId").c_str()));
            boldStyles.push_back(font < boldFonts.size() && boldFonts[font]);
        }
    }
    std::vector<std::string> sharedStrings;
    if (const std::optional<std::string> sst = Member(archive, "xl/sharedStrings.xml")) {
        const Document strings = Parse(*sst);
        if (strings) {
            for (const xmlNode* item : Children(xmlDocGetRootElement(strings.get()), "si")) {
                sharedStrings.push_back(StringItem(item));
            }
        }
    }

    ReadWorkbook result;
    const xmlNode* sheets = Child(xmlDocGetRootElement(workbook.get()), "sheets");
    if (sheets == nullptr) {
        problem = "no sheets";
        return std::nullopt;
    }
    for (const xmlNode* entry : Children(sheets, "sheet")) {
        ReadSheet sheet;
        sheet.name = Attribute(entry, "name");
        const std::string target = targets[Attribute(entry, "id")];
        const std::optional<std::string> sheetXml = Member(archive, "xl/" + target);
        const Document document = sheetXml ? Parse(*sheetXml) : Document(nullptr, &xmlFreeDoc);
        if (!document) {
            problem = "the sheet " + sheet.name + " (" + target + ") is missing or not XML";
            return std::nullopt;
        }
        const xmlNode* root = xmlDocGetRootElement(document.get());
        if (const xmlNode* views = Child(root, "sheetViews")) {
            if (const xmlNode* view = Child(views, "sheetView")) {
                if (const xmlNode* pane = Child(view, "pane");
                    pane != nullptr && Attribute(pane, "state") == "frozen") {
                    sheet.frozenTopLeft = Attribute(pane, "topLeftCell");
                }
            }
        }
        if (const xmlNode* filter = Child(root, "autoFilter")) {
            sheet.autoFilter = Attribute(filter, "ref");
        }
        if (const xmlNode* cols = Child(root, "cols")) {
            for (const xmlNode* col : Children(cols, "col")) {
                sheet.widths.push_back(std::atof(Attribute(col, "width").c_str()));
            }
        }
        if (const xmlNode* data = Child(root, "sheetData")) {
            for (const xmlNode* row : Children(data, "row")) {
                const std::size_t index = static_cast<std::size_t>(std::atoi(Attribute(row, "r").c_str()));
                if (index == 0) {
                    problem = "a row without its number in " + sheet.name;
                    return std::nullopt;
                }
                sheet.rows.resize(std::max(sheet.rows.size(), index));
                std::vector<ReadCell>& cells = sheet.rows[index - 1];
                for (const xmlNode* c : Children(row, "c")) {
                    ReadCell cell;
                    cell.type = Attribute(c, "t");
                    const std::string style = Attribute(c, "s");
                    const std::size_t styleIndex =
                        style.empty() ? 0 : static_cast<std::size_t>(std::atoi(style.c_str()));
                    cell.bold = styleIndex < boldStyles.size() && boldStyles[styleIndex];
                    if (cell.type == "inlineStr") {
                        if (const xmlNode* is = Child(c, "is")) {
                            cell.text = StringItem(is);
                        }
                    } else if (cell.type == "s") {
                        const xmlNode* v = Child(c, "v");
                        const std::size_t item =
                            v != nullptr ? static_cast<std::size_t>(std::atoi(Content(v).c_str())) : 0;
                        cell.text = item < sharedStrings.size() ? sharedStrings[item] : "";
                    } else if (const xmlNode* v = Child(c, "v")) {
                        cell.text = Content(v);
                    }
                    const std::size_t column = ColumnOf(Attribute(c, "r"));
                    cells.resize(std::max(cells.size(), column + 1));
                    cells[column] = std::move(cell);
                }
            }
        }
        result.sheets.push_back(std::move(sheet));
    }
    return result;
}

}  // namespace tenvor::test
