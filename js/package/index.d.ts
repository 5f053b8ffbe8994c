/** Options of a conversion; names as the library's (`font_name`) or in camel case (`fontName`). */
export interface ConvertOptions {
  /** What the page becomes; default "rtf". */
  format?: 'text' | 'rtf';
  /** RTF: HTML tables become RTF tables; default true. */
  tables?: boolean;
  /** The character set of a page given as bytes; default "auto" (a string is always read as
   *  the text it is). */
  encoding?: 'auto' | 'windows-1251' | 'koi8-r' | 'iso-8859-1' | 'iso-8859-5' | 'utf-8';
  /** How the page's HTML is read; default "default" (today's HTML), or "classic". */
  reading?: 'default' | 'classic';
  /** Plain text: where a link's address goes; default "none". */
  links?: 'none' | 'inline' | 'list';
  /** Plain text: paragraphs wrapped at this many columns (0: not wrapped); default 0. */
  wrap?: number;
  /** RTF: the font face; default "Arial". */
  font_name?: string;
  fontName?: string;
  /** RTF: the font size in points; default 10. */
  font_size?: number;
  fontSize?: number;
  /** RTF: pictures of data: addresses embedded ("embed", the default) or their alt text. */
  images?: 'embed' | 'alt';
  /** What a conversion returns: a string (the default) or the output's bytes. */
  output?: 'string' | 'bytes';
}

/** The codes of VellumineError, after the library's results. */
export type VellumineErrorCode =
  | 'EMPTY_INPUT'
  | 'INVALID_ARGUMENT'
  | 'OUT_OF_MEMORY'
  | 'CANNOT_WRITE_OUTPUT'
  | 'CANNOT_OPEN_INPUT'
  | 'CANNOT_OPEN_OUTPUT'
  | 'NOT_READY'
  | 'ENGINE_STOPPED';

export class VellumineError extends Error {
  readonly code: VellumineErrorCode;
}

/** The input: a string (text) or the page's bytes as a file holds them. */
export type Page = string | Uint8Array | ArrayBuffer | ArrayBufferView;

/**
 * Converts a page. Plain text is a Unicode string; RTF a string of one character per byte
 * (write it as "latin1"), or either as bytes with `output: "bytes"`. Throws VellumineError.
 */
export function convert(input: Page, options?: ConvertOptions & { output?: 'string' }): string;
export function convert(input: Page, options: ConvertOptions & { output: 'bytes' }): Uint8Array;

/** A conversion given its page a piece at a time. */
export interface Converter<Out extends string | Uint8Array> {
  /** The page's next chunk (all chunks strings, or all bytes); returns the output made so far. */
  push(chunk: Page): Out;
  /** Ends the page; returns the rest of the output. */
  finish(): Out;
  /** Stops the conversion and lets go of its memory. */
  cancel(): void;
}
export function createConverter(options?: ConvertOptions & { output?: 'string' }): Converter<string>;
export function createConverter(options: ConvertOptions & { output: 'bytes' }): Converter<Uint8Array>;

/** The streaming form as a TransformStream: page chunks in, output chunks out. */
export function convertStream(
  options?: ConvertOptions & { output?: 'string' },
): TransformStream<Page, string>;
export function convertStream(
  options: ConvertOptions & { output: 'bytes' },
): TransformStream<Page, Uint8Array>;

/** Where the module's bytes come from: a URL, a Response, the bytes, or a compiled module. */
export type WasmSource = string | URL | Response | BufferSource | WebAssembly.Module;
/** Makes the module ready. In Node it is made ready on first use; in browsers await it once. */
export function init(source?: WasmSource): Promise<void>;
/** The same at once (in browsers from bytes or a compiled module). */
export function initSync(source?: BufferSource | WebAssembly.Module): void;

/** One option as the library describes it. */
export interface OptionInfo {
  name: string;
  kind: 'choice' | 'switch' | 'number' | 'text';
  summary: string;
  default: string | number | boolean;
  /** The least number the library takes. */
  minimum: number;
  /** The least number a program offers people (a font size from 1, where the library takes
   *  negative sizes too). */
  offeredMinimum: number;
  maximum: number;
  choices: string[];
}
/** The options a conversion takes (the library's table). */
export function options(): OptionInfo[];
/** The library's version. */
export function version(): string;
