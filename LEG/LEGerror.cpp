// LEGerror: copies, comparison and the parameter operations over its COLmap.
#include "LEG/LEGerror.h"

#include "COL/COLostream.h"

LEGerror::LEGerror(const COLstring& Description, int Code) : COLerror(Description, Code) {}

LEGerror::LEGerror(const COLerror& Error) : COLerror(Error) {}

LEGerror::LEGerror(const COLerror& Error, int Code) : COLerror(Error, Code) {}

LEGerror::LEGerror(const LEGerror& Error) : COLerror(Error) { copyParameters(Error); }

LEGerror::LEGerror(const LEGerror& Error, int Code) : COLerror(Error, Code) { copyParameters(Error); }

LEGerror::~LEGerror() {}

void LEGerror::copyParameters(const LEGerror& Error) {
  for (COLavlNode* Place = Error.m_Parameters.first(); Place != nullptr; Place = Error.m_Parameters.next(Place))
    m_Parameters.insert(Error.m_Parameters.key(Place), Error.m_Parameters.value(Place));
}

LEGerror& LEGerror::assign(const LEGerror& Error) {
  // Assigning an error to itself keeps its parameters: clearing first would lose them.
  if (&Error == this) return *this;
  COLerror::operator=(Error);
  m_Parameters.clear();
  copyParameters(Error);
  return *this;
}

bool LEGerror::equals(const LEGerror& Error) const {
  if (!COLerror::operator==(Error)) return false;
  if (m_Parameters.size() != Error.m_Parameters.size()) return false;
  const COLavlNode* Mine = m_Parameters.first();
  const COLavlNode* Theirs = Error.m_Parameters.first();
  for (; Mine != nullptr && Theirs != nullptr;
       Mine = m_Parameters.next(Mine), Theirs = Error.m_Parameters.next(Theirs)) {
    if (m_Parameters.key(Mine) != Error.m_Parameters.key(Theirs)) return false;
    if (m_Parameters.value(Mine) != Error.m_Parameters.value(Theirs)) return false;
  }
  return true;
}

const COLstring& LEGerror::parameterName(int Index) const {
  const int Count = countOfParameter();
  if (Index < 0 || Index >= Count) {
    COLstring Text;
    COLostream Stream(Text);
    Stream << "Invalid parameter index " << Index << ".  Should be no greater than " << Count;
    throw COLerror(Text, COL_ERROR_PRECONDITION);
  }
  COLavlNode* Place = m_Parameters.first();
  for (int Step = 0; Step < Index; ++Step) Place = m_Parameters.next(Place);
  return m_Parameters.key(Place);
}

void LEGerror::setParameter(const COLstring& Name, const COLstring& Value) {
  COLavlNode* Place = m_Parameters.find(Name);
  if (Place != nullptr)
    m_Parameters.value(Place) = Value;
  else
    m_Parameters.insert(Name, Value);
}

void LEGerror::setParameter(const COLstring& Name, int Value) {
  COLstring Text;
  COLostream Stream(Text);
  Stream << static_cast<unsigned int>(Value);
  setParameter(Name, Text);
}

COLstring& LEGerror::parameter(const COLstring& Name) {
  COLavlNode* Place = m_Parameters.find(Name);
  if (Place == nullptr) Place = m_Parameters.insert(Name, COLstring());
  return m_Parameters.value(Place);
}

COLostream& operator<<(COLostream& Stream, const LEGerror& Error) {
  Stream << static_cast<const COLerror&>(Error);
  for (COLavlNode* Place = Error.firstParameter(); Place != nullptr; Place = Error.nextParameter(Place))
    Stream << Error.parameterName(Place) << ": " << Error.parameterValue(Place) << newline;
  return Stream;
}

LEGerror LEGerrorFrom(const COLerror& Error) {
  if (const LEGerror* Derived = dynamic_cast<const LEGerror*>(&Error)) return LEGerror(*Derived);
  return LEGerror(Error);
}
