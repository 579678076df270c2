#include "PackageGenerator.h"

#include <cstdio>
#include <random>
#include <stdexcept>

#include "NotificationGenerator.h"
#include "ZipBuilder.h"
#include "forms/FormCatalogue.h"

namespace tenvor::gen {

namespace {

using Method = ZipBuilder::Method;
using Names = ZipBuilder::Names;

std::string Digits(std::mt19937& random, int count)
{
    std::string digits;
    for (int i = 0; i < count; ++i) {
        digits += static_cast<char>('0' + random() % 10);
    }
    return digits;
}

// The number the filing got on arrival: 18 digits, the first never 0.
std::string ArrivalNumber(std::mt19937& random)
{
    return static_cast<char>('1' + random() % 9) + Digits(random, 17);
}

// A cover letter: document element DOC, what was sent and to whom, the attachments' names, and
// a signature shaped like an XML signature (its values are invented and sign nothing).
std::string CoverLetter(std::mt19937& random, const std::string& arrival, const std::string& title,
                        const std::vector<std::string>& attachments)
{
    std::string xml =
        "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
        "<?xml-stylesheet type=\"text/xsl\" href=\"kagami.xsl\"?>\n"
        "<DOC id=\"DOC\" xmlns:ds=\"http://www.w3.org/2000/09/xmldsig#\">\n"
        "  <BODY>\n"
        "    <TITLE>" +
        title +
        "</TITLE>\n"
        "    <ARRIVAL_NO>" +
        arrival +
        "</ARRIVAL_NO>\n"
        "    <TO>株式会社テスト　御中</TO>\n"
        "    <FROM>日本年金機構　テスト年金事務所</FROM>\n"
        "    <TEXT>標記について、別添のとおり通知します。</TEXT>\n";
    for (const std::string& attachment : attachments) {
        xml += "    <APPENDIX><FILE_NAME>" + attachment + "</FILE_NAME></APPENDIX>\n";
    }
    xml +=
        "  </BODY>\n"
        "  <ds:Signature Id=\"Signature-" +
        Digits(random, 6) +
        "\">\n"
        "    <ds:SignedInfo>\n"
        "      <ds:CanonicalizationMethod Algorithm=\"http://www.w3.org/TR/2001/REC-xml-c14n-20010315\"/>\n"
        "      <ds:SignatureMethod Algorithm=\"http://www.w3.org/2001/04/xmldsig-more#rsa-sha256\"/>\n"
        "      <ds:Reference URI=\"#DOC\"><ds:DigestValue>" +
        Digits(random, 44) +
        "</ds:DigestValue></ds:Reference>\n"
        "    </ds:SignedInfo>\n"
        "    <ds:SignatureValue>" +
        Digits(random, 64) +
        "</ds:SignatureValue>\n"
        "  </ds:Signature>\n"
        "</DOC>\n";
    return xml;
}

std::string Stylesheet(const std::string& title)
{
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
           "<xsl:stylesheet version=\"1.0\" xmlns:xsl=\"http://www.w3.org/1999/XSL/Transform\">\n"
           "  <xsl:template match=\"/\"><html><body><h1>" +
           title +
           "</h1><xsl:apply-templates/></body></html></xsl:template>\n"
           "</xsl:stylesheet>\n";
}

std::string Notification(const FormCatalogue& catalogue, const std::string& formId, std::uint32_t seed,
                         FileEncoding encoding)
{
    NotificationSpec wanted;
    wanted.formId = formId;
    wanted.persons = 2;
    wanted.seed = seed;
    wanted.encoding = encoding;
    return Generate(catalogue, wanted).bytes;
}

// The members of one flat download below folder (empty, or ending with '/'), in stored order.
struct DownloadMember {
    std::string name;
    std::string bytes;
    std::string documentElement;  // empty for a stylesheet
};

std::vector<DownloadMember> DownloadMembers(const FormCatalogue& catalogue, std::mt19937& random, std::uint32_t seed)
{
    const std::string arrival = ArrivalNumber(random);
    const std::string title = "健康保険・厚生年金保険被保険者標準報酬決定通知書";
    return {
        {arrival + ".xml", CoverLetter(random, arrival, title, {"7130001.xml", "7200001.xml"}), "DOC"},
        {"kagami.xsl", Stylesheet("鑑"), ""},
        {"7130001.xml", Notification(catalogue, "N7130001", seed, FileEncoding::Utf8), "N7130001"},
        {"7130001.xsl", Stylesheet("N7130001"), ""},
        {"7200001.xml", Notification(catalogue, "N7200001", seed + 1, FileEncoding::ShiftJis), "N7200001"},
        {"7200001.xsl", Stylesheet("N7200001"), ""},
    };
}

void AddMembers(ZipBuilder& zip, GeneratedPackage& package, const std::vector<DownloadMember>& members,
                const std::string& folder, const std::string& reportedFolder, Names names)
{
    for (const DownloadMember& member : members) {
        const std::string stored = names == Names::Raw ? ToCp932(folder + member.name) : folder + member.name;
        zip.Add(stored, member.bytes, Method::Deflate, names);
        if (!member.documentElement.empty()) {
            package.xml.push_back({reportedFolder + member.name, member.bytes, member.documentElement});
        }
    }
}

std::string ReturnSlip(std::mt19937& random, const std::string& arrival)
{
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
           "<?xml-stylesheet type=\"text/xsl\" href=\"henrei.xsl\"?>\n"
           "<_返戻票>\n"
           "  <到達番号>" +
           arrival +
           "</到達番号>\n"
           "  <手続名>健康保険・厚生年金保険被保険者報酬月額算定基礎届</手続名>\n"
           "  <返戻日>令和08年01月" +
           std::to_string(10 + random() % 18) +
           "日</返戻日>\n"
           "  <返戻理由>被保険者整理番号の記載に誤りがあります。確認のうえ再度提出してください。</返戻理由>\n"
           "  <担当>テスト年金事務所　適用調査課</担当>\n"
           "</_返戻票>\n";
}

GeneratedPackage Named(std::string fileName, std::string bytes)
{
    GeneratedPackage package;
    package.fileName = std::move(fileName);
    package.bytes = std::move(bytes);
    return package;
}

// A notification member for the hostile packages.
PackagedXml HostileMember(const FormCatalogue& catalogue, const std::string& path, std::uint32_t seed)
{
    return {path, Notification(catalogue, "N7130001", seed, FileEncoding::Utf8), "N7130001"};
}

GeneratedPackage WithMembers(std::string fileName, const std::vector<std::string>& unsafeNames,
                             const PackagedXml& harmless)
{
    ZipBuilder zip;
    for (const std::string& name : unsafeNames) {
        zip.Add(name, harmless.bytes);
    }
    zip.Add(harmless.path, harmless.bytes);
    GeneratedPackage package = Named(std::move(fileName), zip.Finish());
    package.xml.push_back(harmless);
    return package;
}

GeneratedPackage Nested(const FormCatalogue& catalogue, int depth, int deepest)
{
    ZipBuilder zip;
    GeneratedPackage package;
    const PackagedXml own =
        HostileMember(catalogue, "n" + std::to_string(depth) + ".xml", 30 + static_cast<std::uint32_t>(depth));
    zip.Add(own.path, own.bytes);
    package.xml.push_back(own);
    if (depth < deepest) {
        const std::string inner = "level" + std::to_string(depth + 1) + ".zip";
        GeneratedPackage nested = Nested(catalogue, depth + 1, deepest);
        zip.Add(inner, nested.bytes);
        for (PackagedXml& xml : nested.xml) {
            package.xml.push_back({inner + "/" + xml.path, std::move(xml.bytes), std::move(xml.documentElement)});
        }
    }
    package.fileName = "level" + std::to_string(depth) + ".zip";
    package.bytes = zip.Finish();
    return package;
}

}  // namespace

GeneratedPackage MakeFlatDownload(const FormCatalogue& catalogue, std::uint32_t seed)
{
    std::mt19937 random(seed);
    ZipBuilder zip;
    GeneratedPackage package;
    AddMembers(zip, package, DownloadMembers(catalogue, random, seed), "", "", Names::Utf8);
    package.fileName = "公文書(002).zip";
    package.bytes = zip.Finish();
    return package;
}

GeneratedPackage MakeReturnNotice(std::uint32_t seed)
{
    std::mt19937 random(seed);
    const std::string number = ArrivalNumber(random);
    const std::string folder = number + "/";
    const std::string coverLetter =
        CoverLetter(random, number, "健康保険・厚生年金保険被保険者報酬月額算定基礎届の返戻について", {"henrei.xml"});
    const std::string slip = ReturnSlip(random, number);

    ZipBuilder inner;
    inner.AddFolder(folder);
    inner.Add(folder + number + ".xml", coverLetter);
    inner.Add(folder + "kagami.xsl", Stylesheet("鑑"));
    inner.Add(folder + "henrei.xml", slip);
    inner.Add(folder + "henrei.xsl", Stylesheet("返戻票"));

    ZipBuilder outer;
    outer.Add("返戻のお知らせ.txt", "提出された届書は返戻されました。添付のファイルを確認してください。\r\n");
    outer.Add(number + ".zip", inner.Finish(), Method::Store);
    GeneratedPackage package = Named("返戻のお知らせ.zip", outer.Finish());
    package.xml.push_back({number + ".zip/" + folder + number + ".xml", coverLetter, "DOC"});
    package.xml.push_back({number + ".zip/" + folder + "henrei.xml", slip, "_返戻票"});
    return package;
}

GeneratedPackage MakeBulkExport(const FormCatalogue& catalogue, std::uint32_t seed, int folders)
{
    std::mt19937 random(seed);
    ZipBuilder zip;
    GeneratedPackage package;
    for (int i = 1; i <= folders; ++i) {
        char number[16];
        std::snprintf(number, sizeof number, "%04d", i);
        const std::string folder = std::string(number) + "_株式会社テスト_00" + std::to_string(i % 10) +
                                   "_対象従業員_[社保]算定基礎_" + ArrivalNumber(random) + "/";
        zip.AddFolder(folder);
        AddMembers(zip, package, DownloadMembers(catalogue, random, seed + static_cast<std::uint32_t>(i) * 10), folder,
                   folder, Names::Utf8);
    }
    package.fileName = "公文書・一括出力.zip";
    package.bytes = zip.Finish();
    return package;
}

GeneratedPackage MakeCp932NamedDownload(const FormCatalogue& catalogue, std::uint32_t seed)
{
    std::mt19937 random(seed);
    std::vector<DownloadMember> members = DownloadMembers(catalogue, random, seed);
    // The second notification in a subfolder whose name has a code whose second byte is '\'
    // (表 is 0x95 0x5C): only decoding before splitting keeps it one name.
    const std::string folder = "公文書(002)/";
    const std::string subfolder = "添付書類_表/";
    ZipBuilder zip;
    GeneratedPackage package;
    zip.AddFolder(ToCp932(folder), Names::Raw);
    AddMembers(zip, package, {members.begin(), members.begin() + 4}, folder, folder, Names::Raw);
    zip.AddFolder(ToCp932(folder + subfolder), Names::Raw);
    AddMembers(zip, package, {members.begin() + 4, members.end()}, folder + subfolder, folder + subfolder, Names::Raw);
    package.fileName = "公文書フォルダー.zip";
    package.bytes = zip.Finish();
    return package;
}

GeneratedPackage MakeManyMemberPackage(const FormCatalogue& catalogue, std::uint32_t seed, int count)
{
    std::mt19937 random(seed);
    ZipBuilder zip;
    GeneratedPackage package;
    for (int i = 0; i < count; ++i) {
        const std::string formId = catalogue.Forms()[random() % catalogue.Forms().size()].id;
        char name[32];
        std::snprintf(name, sizeof name, "%06d_%s.xml", i + 1, formId.c_str());
        std::string bytes = Notification(catalogue, formId, seed + static_cast<std::uint32_t>(i), FileEncoding::Utf8);
        zip.Add(name, bytes);
        package.xml.push_back({name, std::move(bytes), formId});
    }
    package.fileName = "many.zip";
    package.bytes = zip.Finish();
    return package;
}

GeneratedPackage MakeHostilePackage(const FormCatalogue& catalogue, HostilePackage kind)
{
    switch (kind) {
        case HostilePackage::Traversal:
            return WithMembers("traversal.zip", {"../../evil.xml", "a/../../evil.xml", "..\\..\\evil.xml"},
                               HostileMember(catalogue, "safe.xml", 1));
        case HostilePackage::AbsoluteAndDriveNames:
            return WithMembers("absolute.zip",
                               {"/tmp/evil.xml", "\\\\server\\share\\evil.xml", "//server/share/evil.xml",
                                "C:\\evil\\evil.xml", "c:evil.xml"},
                               HostileMember(catalogue, "safe.xml", 2));
        case HostilePackage::ZeroBomb:
        case HostilePackage::LyingZeroBomb: {
            DeflatedZeros zeros = DeflateZeros(2048);
            ZipBuilder zip;
            zip.AddDeflated("bomb.xml", std::move(zeros.deflated), std::uint64_t{2048} << 20, zeros.crc);
            std::string bytes = zip.Finish();
            if (kind == HostilePackage::LyingZeroBomb) {
                SetDeclaredSize(bytes, 0, 1000);
                return Named("lying-bomb.zip", std::move(bytes));
            }
            return Named("bomb.zip", std::move(bytes));
        }
        case HostilePackage::RatioBomb: {
            DeflatedZeros zeros = DeflateZeros(64);
            ZipBuilder zip;
            zip.AddDeflated("ratio.xml", std::move(zeros.deflated), std::uint64_t{64} << 20, zeros.crc);
            return Named("ratio.zip", zip.Finish());
        }
        case HostilePackage::DeepNesting: {
            GeneratedPackage package = Nested(catalogue, 1, 5);
            // The fifth level is refused: what lies in it is never found.
            std::erase_if(package.xml,
                          [](const PackagedXml& xml) { return xml.path.find("level5.zip/") != std::string::npos; });
            package.fileName = "nested.zip";
            return package;
        }
        case HostilePackage::EncryptedMember: {
            const PackagedXml plain = HostileMember(catalogue, "plain.xml", 3);
            ZipBuilder zip;
            zip.Add("secret.xml", HostileMember(catalogue, "secret.xml", 4).bytes);
            zip.Add(plain.path, plain.bytes);
            std::string bytes = zip.Finish();
            MarkEncrypted(bytes, 0);
            GeneratedPackage package = Named("encrypted.zip", std::move(bytes));
            package.xml.push_back(plain);
            return package;
        }
        case HostilePackage::Truncated: {
            std::string bytes = MakeFlatDownload(catalogue, 5).bytes;
            bytes.resize(bytes.size() / 2);
            return Named("truncated.zip", std::move(bytes));
        }
        case HostilePackage::BrokenCentralDirectory: {
            std::string bytes = MakeFlatDownload(catalogue, 6).bytes;
            const std::size_t header = FindZipEntries(bytes).at(1).centralHeader;
            bytes[header + 2] = 0;  // "PK\1\2" no more
            bytes[header + 3] = 0;
            return Named("broken-directory.zip", std::move(bytes));
        }
        case HostilePackage::CrcMismatch: {
            const PackagedXml good = HostileMember(catalogue, "good.xml", 7);
            ZipBuilder zip;
            zip.Add("stored.xml", HostileMember(catalogue, "stored.xml", 8).bytes, Method::Store);
            zip.Add(good.path, good.bytes);
            std::string bytes = zip.Finish();
            const std::size_t data = FindZipEntries(bytes).at(0).data;
            bytes[data + 100] = static_cast<char>(bytes[data + 100] ^ 0x01);
            GeneratedPackage package = Named("crc.zip", std::move(bytes));
            package.xml.push_back(good);
            return package;
        }
        case HostilePackage::DuplicateNames: {
            const PackagedXml first = HostileMember(catalogue, "7130001.xml", 9);
            const PackagedXml second = HostileMember(catalogue, "7130001.xml", 10);
            ZipBuilder zip;
            zip.Add("7130001.xml", first.bytes);
            zip.Add("7130002.xml", second.bytes);  // libzip writes no duplicate: renamed below
            std::string bytes = zip.Finish();
            RenameEntry(bytes, 1, "7130001.xml");
            GeneratedPackage package = Named("duplicates.zip", std::move(bytes));
            package.xml = {first, second};
            return package;
        }
        case HostilePackage::NotAZip:
            return Named("not-a-zip.zip", "これはZIPファイルではありません。\nPK but no archive\n");
        case HostilePackage::OverlappingEntries: {
            DeflatedZeros zeros = DeflateZeros(1);
            ZipBuilder zip;
            zip.AddDeflated("zeros.xml", std::move(zeros.deflated), std::uint64_t{1} << 20, zeros.crc);
            std::string bytes = zip.Finish();
            RepeatCentralEntry(bytes, 0, 999);
            return Named("overlapping.zip", std::move(bytes));
        }
    }
    throw std::invalid_argument("unknown hostile package");
}

}  // namespace tenvor::gen
