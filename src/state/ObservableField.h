#pragma once

// Declares an observable field: a getter, a setter that emits <name>Changed() only when the value
// really changes, and the member. The signal itself is declared in the class's Q_SIGNALS section,
// where moc can see it.
#define TOLVANE_FIELD(Type, name, setter)                                                          \
public:                                                                                            \
    const Type& name() const {                                                                     \
        return m_##name;                                                                           \
    }                                                                                              \
    void setter(const Type& value) {                                                               \
        if (m_##name == value)                                                                     \
            return;                                                                                \
        m_##name = value;                                                                          \
        Q_EMIT name##Changed();                                                                    \
    }                                                                                              \
                                                                                                   \
private:                                                                                           \
    Type m_##name{};

// For values without an equality: every assignment notifies.
#define TOLVANE_FIELD_ALWAYS(Type, name, setter)                                                   \
public:                                                                                            \
    const Type& name() const {                                                                     \
        return m_##name;                                                                           \
    }                                                                                              \
    void setter(const Type& value) {                                                               \
        m_##name = value;                                                                          \
        Q_EMIT name##Changed();                                                                    \
    }                                                                                              \
                                                                                                   \
private:                                                                                           \
    Type m_##name{};
