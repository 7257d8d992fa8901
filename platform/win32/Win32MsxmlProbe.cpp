// The MSXML 6.0 tests through COM. Each test throws CheckException at its first failing step; the
// run catches it, so nothing leaves this file but a result code and a location.
#include <windows.h>

#include <ole2.h>

#include <msxml2.h>

#include <string>

#include "platform/win32/Win32Parts.h"

namespace platform {
namespace {

namespace r = msxml_result;

// The interfaces asked of the MSXML 6.0 classes (MinGW's headers declare them without their IIDs).
const IID kIidXmlDomDocument2 = {0x2933BF95, 0x7B36, 0x11D2, {0xB2, 0x0E, 0x00, 0xC0, 0x4F, 0x98, 0x3E, 0x60}};
const IID kIidSaxXmlReader = {0xA4F96ED0, 0xF829, 0x476E, {0x81, 0xC0, 0xCD, 0xC7, 0xBD, 0x2A, 0x08, 0x02}};

const wchar_t kDomDocumentProgId[] = L"Msxml2.DOMDocument.6.0";
const wchar_t kSchemaCacheProgId[] = L"Msxml2.XMLSchemaCache.6.0";
const wchar_t kSaxReaderProgId[] = L"Msxml2.SAXXMLReader.6.0";

// The failing steps: 100 x the test's number + the step's number within it.
enum Location {
    kOleInitialize = 1,
    // 101 and 102: the document's class and instance; 103 and 104 the schema cache's; 105 and 106
    // the SAX reader's.
    kClassesFirstStep = 101,
    kNormalizeCreateDocument = 201,
    kNormalizeSetProperty = 202,
    kNormalizeLoadXml = 203,
    kNormalizeDocumentElement = 204,
    kNormalizeGetAttribute = 205,
    kNormalizeCompare = 206,
    kDtdTempFolder = 301,
    kDtdWriteFile = 302,
    kDtdCloseFile = 303,
    kDtdCreateDocument = 304,
    kDtdProhibitDtd = 305,
    kDtdResolveExternals = 306,
    kDtdAsync = 307,
    kDtdLoad = 308,
    kSaxCreateReader = 401,
    kSaxPutFeature = 402,
};

// What a failing test throws.
struct CheckException {
    int code;
    int location;
};

[[noreturn]] void Fail(int code, int location) {
    throw CheckException{code, location};
}

// Releases the interface it holds on every way out.
template <class Interface>
class ComPtr {
public:
    ComPtr() = default;
    ~ComPtr() {
        if (pointer_ != nullptr) pointer_->Release();
    }
    ComPtr(const ComPtr&) = delete;
    ComPtr& operator=(const ComPtr&) = delete;
    Interface** Out() { return &pointer_; }
    void** OutVoid() { return reinterpret_cast<void**>(&pointer_); }
    Interface* get() const { return pointer_; }
    Interface* operator->() const { return pointer_; }
    explicit operator bool() const { return pointer_ != nullptr; }

private:
    Interface* pointer_ = nullptr;
};

class Bstr {
public:
    explicit Bstr(const wchar_t* text) : value_(SysAllocString(text)) {}
    ~Bstr() { SysFreeString(value_); }
    Bstr(const Bstr&) = delete;
    Bstr& operator=(const Bstr&) = delete;
    BSTR get() const { return value_; }

private:
    BSTR value_;
};

class Variant {
public:
    Variant() { VariantInit(&value_); }
    ~Variant() { VariantClear(&value_); }
    Variant(const Variant&) = delete;
    Variant& operator=(const Variant&) = delete;
    void SetBool(VARIANT_BOOL value) {
        value_.vt = VT_BOOL;
        value_.boolVal = value;
    }
    // Holds a copy of `text`, freed with the variant.
    void SetString(const std::wstring& text) {
        value_.vt = VT_BSTR;
        value_.bstrVal = SysAllocString(text.c_str());
    }
    VARIANT& get() { return value_; }

private:
    VARIANT value_;
};

HRESULT CreateByProgId(const wchar_t* progId, const IID& iid, void** object) {
    CLSID clsid;
    HRESULT hr = CLSIDFromProgID(progId, &clsid);
    if (FAILED(hr)) return hr;
    return CoCreateInstance(clsid, nullptr, CLSCTX_ALL, iid, object);
}

void CreateDocument(ComPtr<IXMLDOMDocument2>& document, int location) {
    if (FAILED(CreateByProgId(kDomDocumentProgId, kIidXmlDomDocument2, document.OutVoid())) || !document) {
        Fail(r::kCheckFailure, location);
    }
}

void SetBoolProperty(IXMLDOMDocument2* document, const wchar_t* name, VARIANT_BOOL value, int failureCode,
                     int location) {
    Bstr property(name);
    Variant setting;
    setting.SetBool(value);
    if (FAILED(document->setProperty(property.get(), setting.get()))) Fail(failureCode, location);
}

void CheckMsxml6Classes() {
    const wchar_t* const progIds[] = {kDomDocumentProgId, kSchemaCacheProgId, kSaxReaderProgId};
    int location = kClassesFirstStep;
    for (const wchar_t* progId : progIds) {
        const bool first = location == kClassesFirstStep;
        CLSID clsid;
        if (FAILED(CLSIDFromProgID(progId, &clsid))) Fail(r::kMissingMsxml6, location);
        ComPtr<IUnknown> instance;
        HRESULT hr = CoCreateInstance(clsid, nullptr, CLSCTX_ALL, IID_IUnknown, instance.OutVoid());
        // The document class stands for MSXML 6.0 as a whole: it must give an object.
        if (FAILED(hr) || (first && !instance)) Fail(r::kMissingMsxml6, location + 1);
        location += 2;
    }
}

// KB941179: with "NormalizeAttributeValues", the white space in an attribute value becomes blanks.
void CheckNormalizeAttributeValues() {
    ComPtr<IXMLDOMDocument2> document;
    CreateDocument(document, kNormalizeCreateDocument);
    SetBoolProperty(document.get(), L"NormalizeAttributeValues", VARIANT_TRUE, r::kMissingKb941179,
                    kNormalizeSetProperty);

    Bstr xml(L"<foo attr=\"x\r\t\nx\"/>");
    VARIANT_BOOL loaded = VARIANT_FALSE;
    if (FAILED(document->loadXML(xml.get(), &loaded)) || loaded != VARIANT_TRUE) {
        Fail(r::kCheckFailure, kNormalizeLoadXml);
    }
    ComPtr<IXMLDOMElement> element;
    if (FAILED(document->get_documentElement(element.Out())) || !element) {
        Fail(r::kCheckFailure, kNormalizeDocumentElement);
    }
    Bstr attributeName(L"attr");
    Variant value;
    if (FAILED(element->getAttribute(attributeName.get(), &value.get())) || value.get().vt != VT_BSTR) {
        Fail(r::kCheckFailure, kNormalizeGetAttribute);
    }
    const BSTR text = value.get().bstrVal;
    if (std::wstring(text, SysStringLen(text)) != L"x   x") Fail(r::kMissingKb941179, kNormalizeCompare);
}

// The temporary folder, whatever its length.
std::wstring TempFolder() {
    std::wstring folder(MAX_PATH + 1, L'\0');
    for (;;) {
        DWORD length = GetTempPathW(static_cast<DWORD>(folder.size()), &folder[0]);
        if (length == 0) Fail(r::kCheckFailure, kDtdTempFolder);
        if (length < folder.size()) {
            folder.resize(length);
            return folder;
        }
        folder.resize(length + 1);  // the folder changed under us or did not fit: ask again
    }
}

// Writes `text` into `fileName` in the temporary folder and puts the file's path into `path`. A
// file that cannot be created is left alone: reading it later fails, which says enough.
void WriteTempFile(std::wstring& path, const wchar_t* fileName, const std::string& text) {
    path = TempFolder() + fileName;
    HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, FILE_SHARE_WRITE, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return;
    DWORD written = 0;
    const BOOL wrote = WriteFile(file, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
    const BOOL closed = CloseHandle(file);
    if (!wrote || written != text.size()) Fail(r::kCheckFailure, kDtdWriteFile);
    if (!closed) Fail(r::kCheckFailure, kDtdCloseFile);
}

// KB941180: a parameter entity inside an IGNORE section of the DTD is not resolved.
void CheckDtdConditionalSections() {
    static const std::string kDtd =
        "<!ENTITY % mandatory 'INCLUDE' >\n"
        "<!ENTITY % optional 'IGNORE' >\n"
        "<![%mandatory;[\n"
        "<!ELEMENT a EMPTY>\n"
        "<!ATTLIST a\n"
        "  foo CDATA #IMPLIED>\n"
        "]]>\n"
        "<![%optional;[\n"
        "%bar;\n"
        "]]>\n";
    static const std::string kXml =
        "<?xml version=\"1.0\"?>\n"
        "<!DOCTYPE a SYSTEM \"KB941180.dtd\">\n"
        "<a foo=\"foo\"/>\n";
    std::wstring path;
    WriteTempFile(path, L"KB941180.dtd", kDtd);
    WriteTempFile(path, L"KB941180.xml", kXml);

    ComPtr<IXMLDOMDocument2> document;
    CreateDocument(document, kDtdCreateDocument);
    SetBoolProperty(document.get(), L"ProhibitDTD", VARIANT_FALSE, r::kCheckFailure, kDtdProhibitDtd);
    if (FAILED(document->put_resolveExternals(VARIANT_TRUE))) Fail(r::kCheckFailure, kDtdResolveExternals);
    if (FAILED(document->put_async(VARIANT_FALSE))) Fail(r::kCheckFailure, kDtdAsync);

    Variant source;
    source.SetString(path);
    VARIANT_BOOL loaded = VARIANT_FALSE;
    if (FAILED(document->load(source.get(), &loaded)) || loaded != VARIANT_TRUE) {
        Fail(r::kMissingKb941180, kDtdLoad);
    }
}

// KB953661: the SAX reader accepts the "suppress-validation-fatalError" feature.
void CheckSuppressValidationFatalError() {
    ComPtr<ISAXXMLReader> reader;
    if (FAILED(CreateByProgId(kSaxReaderProgId, kIidSaxXmlReader, reader.OutVoid())) || !reader) {
        Fail(r::kCheckFailure, kSaxCreateReader);
    }
    if (FAILED(reader->putFeature(L"suppress-validation-fatalError", VARIANT_TRUE))) {
        Fail(r::kMissingKb953661, kSaxPutFeature);
    }
}

MsxmlProbeResult RunTestsInOle(bool withFatalErrorTest) {
    try {
        CheckMsxml6Classes();
        CheckNormalizeAttributeValues();
        CheckDtdConditionalSections();
        if (withFatalErrorTest) CheckSuppressValidationFatalError();
        return MsxmlProbeResult{r::kPassed, 0};
    } catch (const CheckException& failure) {
        return MsxmlProbeResult{failure.code, failure.location};
    } catch (...) {
        // Out of memory for a string, say: the check could not be made.
        return MsxmlProbeResult{r::kCheckFailure, 0};
    }
}

class Win32MsxmlProbe final : public MsxmlProbe {
public:
    MsxmlProbeResult RunTests(bool withFatalErrorTest) override {
        if (FAILED(OleInitialize(nullptr))) return MsxmlProbeResult{r::kCheckFailure, kOleInitialize};
        const MsxmlProbeResult result = RunTestsInOle(withFatalErrorTest);
        OleUninitialize();
        return result;
    }
};

}  // namespace

MsxmlProbe& Win32MsxmlProbeInstance() {
    static MsxmlProbe& instance = *new Win32MsxmlProbe;
    return instance;
}

}  // namespace platform
