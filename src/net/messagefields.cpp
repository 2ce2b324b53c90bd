#include "net/messagefields.h"

#include "common/text.h"

namespace zn {

MessageFields::MessageFields(QByteArrayView message)
{
    qsizetype start = 0;
    for (int i = 0; i < Count; ++i) {
        const qsizetype end = message.indexOf(FieldSeparator, start);
        m_fields[size_t(i)] = message.sliced(start, (end < 0 ? message.size() : end) - start);
        if (end < 0)
            return;
        start = end + FieldSeparator.size();
    }
}

} // namespace zn
