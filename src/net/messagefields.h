// The fields of one received message, split once at "&|" from its start, as
// every peer reads them: field i is what stands between the i-th and the
// (i+1)-th separator. The last field read ends at the next separator (what
// follows it is never read), and a field past the end is empty:
//   "K&|a&|&|b"           -> "K", "a", "", "b", then empty
//   "K&|a&|b&|c&|d&|e&|f" -> field 5 is "e"; "&|f" is never read
#pragma once

#include <QByteArray>
#include <QByteArrayView>

#include <array>

namespace zn {

class MessageFields {
public:
    // The most any kind reads: LOGIN_OK's keyword and five fields.
    static constexpr int Count = 6;

    // Views into `message`, which must outlive them.
    explicit MessageFields(QByteArrayView message);

    QByteArrayView operator[](int index) const { return m_fields[size_t(index)]; }
    // A field as a byte array of its own, exactly as GetField(message, index)
    // gives it (a field past the end as a null array).
    QByteArray bytes(int index) const { return m_fields[size_t(index)].toByteArray(); }

private:
    std::array<QByteArrayView, Count> m_fields{};
};

} // namespace zn
