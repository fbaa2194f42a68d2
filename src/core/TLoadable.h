#pragma once

// The loading state of a component. While a window is built from its layout, every component is
// in its loading state: property setters store values without reacting to them. When the whole
// window has been made, the loader ends the state of each component in creation order, which runs
// the component's Loaded step.
class TLoadable
{
public:
    virtual ~TLoadable() = default;

    bool IsLoading() const { return m_loading; }
    void BeginLoading() { m_loading = true; }
    void EndLoading()
    {
        if (!m_loading)
            return;
        m_loading = false;
        Loaded();
    }

protected:
    virtual void Loaded() {}

private:
    bool m_loading = false;
};
