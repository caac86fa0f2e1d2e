// The page's language: Korean when the reader's browser names Korean before English among its
// languages, else English; its texts (texts.js) and the locale for dates, times and counts.

import {TEXTS} from './texts.js';

// The first of the page's languages that the list names ("ko-KR" names "ko"); English when it
// names none.
export function chooseLanguage(languages) {
  for (const tag of languages || []) {
    const primary = String(tag).toLowerCase().split('-')[0];
    if (Object.hasOwn(TEXTS, primary)) return primary;
  }
  return 'en';
}

// The reader's own form of the language for Intl ("en-GB" for a reader in Britain), or the
// language itself.
function localeOf(language, languages) {
  for (const tag of languages || []) {
    try {
      const [canonical] = Intl.getCanonicalLocales(tag);
      if (new Intl.Locale(canonical).language === language) return canonical;
    } catch {
      // not a language tag: the next one
    }
  }
  return language;
}

export const language = chooseLanguage(navigator.languages);
export const locale = localeOf(language, navigator.languages);
const table = TEXTS[language];

export const hasText = (key) => Object.hasOwn(table, key);

// The text of the key with its values put in; numbers in the reader's form.
export function say(key, values = {}) {
  const numbers = new Intl.NumberFormat(locale);
  return table[key].replace(/\{(\w+)\}/g, (whole, name) => {
    if (!Object.hasOwn(values, name)) return whole;
    const value = values[name];
    return typeof value === 'number' ? numbers.format(value) : String(value);
  });
}

// Fills the page's own markup: an element's text from data-text, its aria-label from
// data-label and its placeholder from data-placeholder, each naming a key.
export function applyTexts(root) {
  document.documentElement.lang = language;
  for (const element of root.querySelectorAll('[data-text]')) {
    element.textContent = say(element.dataset.text);
  }
  for (const element of root.querySelectorAll('[data-label]')) {
    element.setAttribute('aria-label', say(element.dataset.label));
  }
  for (const element of root.querySelectorAll('[data-placeholder]')) {
    element.placeholder = say(element.dataset.placeholder);
  }
}
