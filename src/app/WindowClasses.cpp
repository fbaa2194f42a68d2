#include "AppControls.h"
#include "Scrolltext.h"
#include "TCustomLabel.h"
#include "TDataSource.h"
#include "TDatabase.h"
#include "TForm1.h"
#include "TColorBtn.h"
#include "TDBEditN.h"
#include "TDBGrid.h"
#include "TDBNavigator.h"
#include "TJustOne32.h"
#include "TEditN.h"
#include "TGlowLabel.h"
#include "TktBevelButton.h"
#include "TktMultiBevel.h"
#include "TStaticText.h"
#include "TTable.h"
#include "TsiSpeedButton.h"
#include "VornDBControls.h"


namespace {

template <class T>
void RegisterComponent(TClassRegistry &registry, const QString &name)
{
    registry.Register(name, [](QObject *owner, QWidget *) -> QObject * { return new T(owner); });
}

TClassRegistry MakeRegistry()
{
    TClassRegistry registry;
    RegisterComponent<TDatabase>(registry, QStringLiteral("TDatabase"));
    RegisterComponent<TTable>(registry, QStringLiteral("TTable"));
    RegisterComponent<TDataSource>(registry, QStringLiteral("TDataSource"));
    registry.Register<TPageControl>(QStringLiteral("TPageControl"));
    registry.Register<TTabSheet>(QStringLiteral("TTabSheet"));
    registry.Register<TImage>(QStringLiteral("TImage"));
    registry.Register<TRichEdit>(QStringLiteral("TRichEdit"));
    registry.Register<TCheckBox>(QStringLiteral("TCheckBox"));
    registry.Register<TLabel>(QStringLiteral("TLabel"));
    registry.Register<TStaticText>(QStringLiteral("TStaticText"));
    registry.Register<TScrollText>(QStringLiteral("TScrollText"));
    registry.Register<TsiSpeedButton>(QStringLiteral("TsiSpeedButton"));
    registry.Register<TGlowLabel>(QStringLiteral("TGlowLabel"));
    registry.Register<TktMultiBevel>(QStringLiteral("TktMultiBevel"));
    registry.Register<TktBevelButton>(QStringLiteral("TktBevelButton"));
    registry.Register<TEditN>(QStringLiteral("TEditN"));
    registry.Register<TDBEditN>(QStringLiteral("TDBEditN"));
    registry.Register<TColorBtn>(QStringLiteral("TColorBtn"));
    registry.Register<TVornDBText>(QStringLiteral("TVornDBText"));
    registry.Register<TVornDBNavigator>(QStringLiteral("TVornDBNavigator"));
    registry.Register<TDBGrid>(QStringLiteral("TDBGrid"));
    registry.Register<TDBNavigator>(QStringLiteral("TDBNavigator"));
    RegisterComponent<TJustOne32>(registry, QStringLiteral("TJustOne32"));

    return registry;
}

} // namespace

const TClassRegistry &WindowClasses()
{
    static const TClassRegistry registry = MakeRegistry();
    return registry;
}
